// The shared alerts: modal message boxes with the buttons and answers every
// window relies on. Texts arrive finished (alert_texts.h, KdxTextFormat): a
// user's text is only ever a value inside a constant message.
#pragma once

#include <QString>
#include <functional>

class QWidget;

enum class KdxAlertKind { kOk, kOkCancel, kYesNo, kSystem };

// 1 for OK, 2 for Cancel (also when the box could not be shown), -1 otherwise.
int KDXCOMM_AlertOkCancel(QWidget* parent, const QString& text);
// One OK button.
void KDXCOMM_AlertOK(QWidget* parent, const QString& text);
// "いいえ" (the default) gives 2, "はい" 1, -1 otherwise.
int KDXCOMM_AlertYesNo(QWidget* parent, const QString& text);
// An internal inconsistency: "KDX_SystemError!!" over the text, which also
// goes to the log.
void KDXCOMM_SystemAlert(QWidget* parent, const QString& text);
// For code that must not open a modal box now (painting, a model's data(), a
// menu about to show): logs the text at once and shows one system alert after
// the current event; further texts before it is shown are only logged.
void KdxDeferSystemAlert(const QString& text);
void KdxBeep();

// Tests answer alerts instead of a user: while a hook is set no box is shown
// and the hook's answer is returned (for kOk and kSystem it is ignored).
using KdxAlertHook = std::function<int(KdxAlertKind kind, const QString& text)>;
void KdxSetAlertHookForTest(KdxAlertHook hook);
