#pragma once

#include "platform/dial_up.h"

#include <memory>

// The dial-up connections of the system the program is built for. Which
// backend that is, is the build's choice of file: NetworkManager where it
// exists (network_manager_dial_up.cpp), none elsewhere (no_dial_up.cpp).
std::unique_ptr<DialUp> MakeSystemDialUp();
