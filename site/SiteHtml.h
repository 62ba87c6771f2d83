#pragma once
// What the site's own pages (index, references, symbols) share: their start and their writing.

#include "PageTarget.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

// From "<!DOCTYPE html>" to "<body>", one element a line, each followed by "\n": the head,
// the title escaped, kPageStyle, the style and kPageBody.
inline constexpr std::string_view kPageHead =
    "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
inline constexpr std::string_view kPageStyle = "</title>\n<style>";
inline constexpr std::string_view kPageBody = "</style>\n</head>\n<body>\n";
QString SitePageStart(const QString& title, const QString& style);

// `text` in UTF-8 after `out`, as QString::toUtf8 gives it.
void AppendUtf8(std::string& out, QStringView text);
// The same HTML-escaped, as QString::toHtmlEscaped gives it.
void AppendEscapedUtf8(std::string& out, QStringView text);
// ASCII text HTML-escaped the same way to `to`, which has room for six bytes a character;
// returns the end.
char* EscapeAscii(char* to, std::string_view text);
// Copies `text` to `to`, which has room for it and sixteen bytes, when it is ASCII with nothing
// for HTML to escape, as nearly every line of a source is; false, `to` left of no use, if not.
bool CopyIfPlainAscii(char* to, std::string_view text);

// A site page in UTF-8, written as it is put together: the references pages and the symbol
// index are long. Raises Exception naming the page when it cannot be written.
class TSitePageWriter {
public:
    explicit TSitePageWriter(const QString& path);
    // A page of the run at `place`, replaced when `batch` is.
    TSitePageWriter(const QString& path, TPagePlace place, TPageBatch& batch);

    // Markup, UTF-8 and numbers are copied straight into the buffer: a references page puts
    // together a hundred thousand pieces or more.
    TSitePageWriter& operator<<(QLatin1StringView markup) {
        return *this << std::string_view(markup.data(), size_t(markup.size()));
    }
    TSitePageWriter& operator<<(std::string_view utf8) {
        if (utf8.size() > kBufferSize - FSize)
            return Spill(utf8);
        std::copy(utf8.begin(), utf8.end(), FBuffer.get() + FSize);
        FSize += utf8.size();
        return *this;
    }
    // Pieces copied after one check for room: an entry of a references page has several.
    TSitePageWriter& Write(std::initializer_list<std::string_view> pieces) {
        size_t size = 0;
        for (const std::string_view piece : pieces)
            size += piece.size();
        if (size > kBufferSize - FSize) {
            for (const std::string_view piece : pieces)
                *this << piece;
            return *this;
        }
        char* to = FBuffer.get() + FSize;
        for (const std::string_view piece : pieces)
            to = std::copy(piece.begin(), piece.end(), to);
        FSize += size;
        return *this;
    }
    TSitePageWriter& operator<<(int number) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return *this << std::string_view(digits, size_t(end - digits));
    }
    TSitePageWriter& operator<<(QStringView text);
    TSitePageWriter& Escaped(QStringView text);
    // The page's start, as SitePageStart gives it, with a style in ASCII.
    TSitePageWriter& Start(QStringView title, std::string_view style) {
        *this << kPageHead;
        return Escaped(title) << kPageStyle << style << kPageBody;
    }
    // Makes the page the target's content.
    void Commit();

private:
    static constexpr size_t kBufferSize = 1 << 16;

    // Copies `utf8`, writing out the buffer each time it is full.
    TSitePageWriter& Spill(std::string_view utf8);
    void Flush();

    TPageTarget FTarget;
    std::unique_ptr<char[]> FBuffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    size_t FSize = 0;  // of the buffer in use
    std::string FText; // converted or escaped on its way into the buffer
};

// Writes `html` as UTF-8 into the page `path`, replacing it whole; raises Exception.
void WriteSitePage(const QString& path, const QString& html);
