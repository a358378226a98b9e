#pragma once
// Changes of the current settings that take effect at once in the running inputs: the work behind the setters of
// the settings interface, which the tray menu also calls directly. Nothing is written to the registry here
// (SaveSettings of SettingsStore.h does that). Strings longer than 259 characters are cut; null counts as empty.
#include <cstdint>

// Restarts the input when the name differs (case-sensitively) from ActiveCamera.
void ChangeActiveCamera(const wchar_t* name);
// Mode 1 also sets the camera-on flag; a mode that differs from GlobalType is stored and the input restarted.
void ChangeGlobalType(int32_t mode);
// Stores UseBorder; on: the held border becomes active; off: the active border is held and none is active.
void ChangeUseBorder(int32_t use);
// Stores BorderFile; it becomes both the held and the active border.
void ChangeBorderFile(const wchar_t* path);
// Stores PicturesDirectory; the slideshow rescans that folder at once.
void ChangePicturesDirectory(const wchar_t* path);
// Store the value and hand it to the running slideshow.
void ChangeChangedTime(int32_t milliseconds);
void ChangePicChType(int32_t kind);
// Store the value only (used from the next start of the input).
void ChangeMorphingTime(int32_t milliseconds);
void ChangeRepeatPicturesShowing(int32_t repeat);
void ChangeRepeatVideo(int32_t repeat);
// Stores VideoFile and restarts the input, always.
void ChangeVideoFile(const wchar_t* path);
// Selects the monitor at `index` (the primary one for an index outside the monitor list); DesktopIndex takes the
// position selected.
void ChangeDesktopIndex(int32_t index);

// Current settings := saved settings, restarting the input when the mode, camera or video file differed and
// passing the other differences to the running inputs; then enables the desktop application's "Properties"
// button again.
void RevertToSavedSettings();

// The desktop application's main dialog: a top-level "#32770" window titled " Veltrane Settings"; its
// "Properties" button is enabled. Nothing happens when either is missing.
void EnableApplicationPropertiesButton();
