#include "platform/system_dial_up.h"

namespace {

// A system without a connection manager the program can ask: the list of
// dial-up connections can never be had, so nothing is ever hung up, as when
// NetworkManager is not running.
class NoDialUp final : public DialUp
{
public:
    bool enumConnections(QList<QString>* handles) override
    {
        handles->clear();
        return false;
    }
    bool hangUp(const QString&) override { return false; }
};

} // namespace

std::unique_ptr<DialUp> MakeSystemDialUp()
{
    return std::make_unique<NoDialUp>();
}
