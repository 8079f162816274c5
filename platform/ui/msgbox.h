#pragma once

#include <QString>

// The one message box of all three programs, with the classic flag values:
// a button set plus an icon added together (vbYesNo + vbQuestion), the answer
// as vbOK, vbYes or vbNo.

// Button sets.
constexpr int vbOKOnly = 0;
constexpr int vbYesNo = 4;
// Icons.
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
// Default button (the one Enter presses): the first unless said otherwise.
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
// Answers.
constexpr int vbOK = 1;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// Masks that split a Buttons value into its parts.
constexpr int vbButtonSetMask = 0x0F;
constexpr int vbIconMask = 0x70;
constexpr int vbDefaultButtonMask = 0x300;

// The title every message box of the program shows when it names none: the
// application name that main() sets.
QString DefaultMsgBoxTitle();

// Shows `Prompt` modally over the active window and returns the button
// pressed. CR LF, CR and LF in the prompt break the line; the prompt is plain
// text, never markup. An empty Title shows DefaultMsgBoxTitle(). Enter
// answers Yes, or No with vbDefaultButton2; closing a Yes/No box without
// choosing answers vbNo. While a MsgBoxRecorder exists,
// nothing is shown and the recorder answers.
//
// Tests that start a real program in a process of their own name a file in
// the environment variable COURTMAIL_MSGBOX_LOG. The program then shows no
// box; each call appends one line to that file, a JSON object
// {"title": ..., "prompt": ..., "buttons": ..., "answer": ...}, and is
// answered as a clerk closing the box would: vbOK, or vbNo for a Yes/No box.
// A recorder in the same process still comes first.
int MsgBox(const QString &Prompt, int Buttons = vbOKOnly, const QString &Title = QString());

// The environment variable named above.
constexpr char MsgBoxLogVariable[] = "COURTMAIL_MSGBOX_LOG";
