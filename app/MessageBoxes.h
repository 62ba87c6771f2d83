#pragma once
// The window's message boxes. A plain box tells the user of an expected condition. The
// error box is the one place where an error raised by a handler reaches the user: a critical
// box with the error's own message; the handler is left, the window stays open, and cursors
// are restored by the scope guards the error passed on its way out.

#include <QString>
#include <QWidget>
#include <utility>

// A plain box with `message` and an OK button, owned by `owner`.
void ShowMessage(QWidget* owner, const QString& message);

// A confirmation box with `question` and the buttons OK and Cancel; true for OK.
bool AskOkCancel(QWidget* owner, const QString& question);

// Shows `message` in the application's error box, owned by `owner`.
void ShowErrorBox(QWidget* owner, const QString& message);

// Runs `handler`; an Exception or std::exception it raises is shown in the error box.
// Returns false when the handler failed.
template <class F> bool RunGuarded(QWidget* owner, F&& handler);

// A slot that runs `handler` through RunGuarded, for connecting signals of `owner`'s controls.
template <class F> auto Guarded(QWidget* owner, F handler) {
    return [owner, handler = std::move(handler)](auto&&...) { RunGuarded(owner, handler); };
}

// Out of line so that the header needs no exception types.
bool ReportCurrentError(QWidget* owner);

template <class F> bool RunGuarded(QWidget* owner, F&& handler) {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        return ReportCurrentError(owner);
    }
}
