#pragma once
// The ten markup strings a conversion wraps around tokens, indexed by what they open or close.

#include <QString>
#include <array>
#include <cstddef>

enum class TMarkup { Bcom, Ecom, Bres, Eres, Bnum, Enum, Bstr, Estr, Bdir, Edir };

inline constexpr std::size_t kMarkupCount = std::size_t(TMarkup::Edir) + 1;

// One conversion's markup, copied once from the converter before its first line.
using TMarkupSet = std::array<QString, kMarkupCount>;

// The names of the ten in a markup tag set ("Bcom=<i>"), in TMarkup order.
inline constexpr std::array<const char16_t*, kMarkupCount> kMarkupNames = {
    u"Bcom", u"Ecom", u"Bres", u"Eres", u"Bnum", u"Enum", u"Bstr", u"Estr", u"Bdir", u"Edir"};
