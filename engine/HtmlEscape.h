#pragma once
// How a page writes a character of its source that markup would misread or that must not
// stand in it. Every writer of source text into a page goes through this one table.

#include <QStringView>

// The text written for `c`; empty when `c` is written as itself.
constexpr QStringView HtmlEscape(char16_t c) {
    switch (c) {
    case u'<':
        return u"&lt;";
    case u'>':
        return u"&gt;";
    case u'&':
        return u"&amp;";
    case u'\0':
        return u"\xFFFD"; // a NUL does not end the text; it is shown as unreadable
    default:
        return {};
    }
}
