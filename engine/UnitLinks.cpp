#include "UnitLinks.h"

void TUsesReader::Markup(TMarkup which) {
    switch (which) {
    case TMarkup::Bcom:
        FClass = TClass::Comment;
        break;
    case TMarkup::Bstr:
        FClass = TClass::String;
        break;
    case TMarkup::Bdir:
        FClass = TClass::Directive;
        break;
    case TMarkup::Ecom:
    case TMarkup::Estr:
    case TMarkup::Edir:
        FClass = TClass::Code;
        break;
    default:
        break; // reserved words and numbers are code
    }
}

TUsesReader::TAction TUsesReader::Resolve(const QString& path) {
    if (!FHeld)
        return TAction::None;
    FHeld = false;
    Path = path;
    return TAction::Resolve;
}

TUsesReader::TAction TUsesReader::Token(TToken token) {
    switch (token) {
    case TToken::Name:
    case TToken::Uses:
    case TToken::In:
        switch (FStep) {
        case TStep::Outside:
            if (token == TToken::Uses)
                FStep = TStep::Name;
            return TAction::None;
        case TStep::Name:
            FStep = TStep::AfterName;
            FHeld = true;
            return TAction::Hold;
        case TStep::AfterName:
        case TStep::AfterPath:
            if (FStep == TStep::AfterName && token == TToken::In) {
                FStep = TStep::Path;
                return TAction::None;
            }
            // Only conditional compilation puts two names side by side: "{$if}A{$else}B".
            FStep = TStep::AfterName;
            FHeld = true;
            Path.clear();
            return TAction::ResolveAndHold;
        case TStep::Path:
            break;
        }
        break;
    case TToken::Comma:
        if (FStep == TStep::Outside)
            return TAction::None;
        if (FStep != TStep::Path) {
            FStep = TStep::Name;
            return Resolve({});
        }
        break;
    case TToken::Semicolon:
    case TToken::Other:
        break;
    }
    FStep = TStep::Outside;
    return Resolve({});
}

TUsesReader::TAction TUsesReader::String(const QString& text) {
    if (FStep != TStep::Path) {
        FStep = TStep::Outside;
        return Resolve({});
    }
    FStep = TStep::AfterPath;
    // The run holds the quotes.
    const QString path =
        text.mid(1, text.endsWith(u'\'') && text.size() > 1 ? text.size() - 2 : -1);
    return Resolve(path);
}

TUsesReader::TAction TUsesReader::EndLine() {
    return Resolve({});
}
