#pragma once

#include <QString>

// The two web pages the panel's link buttons offer to open: the maker's
// homepage ("作者", and "HP") and the homepage of the artist who drew the
// icons ("デザイン").
//
// For whoever distributes Pawmelo: these are placeholders under the
// reserved example domain. Set them to the real pages here before building
// a release; nothing else in the program names them.
namespace HomePage {

inline const QString Maker = QStringLiteral("https://example.com/pawmelo/");
inline const QString IconArtist = QStringLiteral("https://example.com/pawmelo-icons/");

} // namespace HomePage
