#pragma once
// The system's own modal dialogs (open-file, folder browser) driven from a second thread while the tested code
// waits in them: the watcher finds the dialog among the top-level windows of the tested thread and answers it.
#include <windows.h>

#include <functional>
#include <future>
#include <string>

// Watches thread `threadId` for a visible dialog with an OK button (other than `except`) for up to `timeoutMs`;
// `answer` is called with it on the watcher's thread. The future tells whether a dialog was found.
std::future<bool> AnswerNextDialog(DWORD threadId, HWND except, std::function<void(HWND dialog)> answer,
                                   DWORD timeoutMs = 15000);

// Answers: type `path` into the file name box and press OK; press OK; press Cancel.
void TypeFileNameAndOpen(HWND dialog, const wchar_t* path);
void PressOk(HWND dialog);
// For the folder browser: waits (five seconds at most) until its tree selects an item named `name`, then OK.
// True when it was selected (Wine's browser does not always follow its initial selection).
bool PressOkOnceSelected(HWND dialog, const std::wstring& name);
void PressCancel(HWND dialog);
