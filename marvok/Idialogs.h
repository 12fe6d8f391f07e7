// IMessageDlg: the message box of the system, with Slovenian captions and
// buttons. Returns the button pressed: OK 1, Cancel 2, Abort 3, Retry 4,
// Ignore 5, Yes 6, No 7 (Escape gives Cancel when offered, else No, else OK).
// A responder (tests, batch runs) may answer instead of a person.
#pragma once

#include "marvok/marvok_export.h"

#include <QString>
#include <functional>

namespace marvok {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : int {
    mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8, mbAbort = 0x10, mbRetry = 0x20, mbIgnore = 0x40
};
using TMsgDlgButtons = int;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

MARVOK_EXPORT int IMessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);

// Answers every IMessageDlg while set (return a TModalResult).
using TMessageDlgResponder = std::function<int(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons)>;
MARVOK_EXPORT void SetMessageDlgResponder(TMessageDlgResponder responder);

// The caption a message box of this type carries ("Napaka", "Opozorilo", ...).
MARVOK_EXPORT QString MessageDlgCaption(TMsgDlgType type);

} // namespace marvok
