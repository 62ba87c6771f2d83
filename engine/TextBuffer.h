#pragma once
// An output buffer for converted lines: appends without Qt's per-call checks, and hands its
// text over as a QString without a copy.

#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstring>

class TTextBuffer {
public:
    void Append(const char16_t* text, qsizetype length) {
        if (length <= 0)
            return;
        if (FUsed + length > FCapacity)
            Grow(length);
        std::memcpy(FData + FUsed, text, size_t(length) * sizeof(char16_t));
        FUsed += length;
    }
    void Append(const QString& text) {
        Append(reinterpret_cast<const char16_t*>(text.constData()), text.size());
    }

    // The text as a QString; the buffer starts empty afterwards.
    QString Take() {
        FText.resize(FUsed);
        QString text = std::move(FText);
        FText = QString();
        FData = nullptr;
        FUsed = FCapacity = 0;
        return text;
    }

private:
    void Grow(qsizetype length) {
        FCapacity = std::max(FUsed + length, 2 * FCapacity + 64);
        FText.resize(FCapacity); // keeps what is written so far
        FData = reinterpret_cast<char16_t*>(FText.data());
    }

    QString FText;
    char16_t* FData = nullptr;
    qsizetype FUsed = 0;
    qsizetype FCapacity = 0;
};
