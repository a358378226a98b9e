#pragma once
// Buttons, links, texts and pictures painted from skin files with GDI+ on a dialog's own surface, each placed over
// a hidden placeholder control of the dialog's template. A click on a button or link arrives at the dialog as a
// posted WM_COMMAND, as if the placeholder had been clicked.
#include "app/skin/SkinRules.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Gdiplus {
class GpGraphics;
}

namespace MyBitmapBtn {

struct ButtonSkin {
    SkinState state = Normal;
    SkinRect rect;  // the placeholder's top-left corner, the normal image's size
    std::wstring normal;
    std::wstring pressed;
    std::wstring hover;
    int32_t command = 0;
};

struct LinkSkin {
    SkinState state = Normal;
    SkinRect rect;
    std::wstring text;
    int32_t command = 0;
};

struct TextSkin {
    SkinRect rect;
    std::wstring text;
};

struct ImageSkin {
    SkinRect rect;
    std::wstring path;
};

// Colour (ARGB) of a link in each state.
uint32_t LinkColour(SkinState state);

// The placeholder's rectangle in the dialog's client coordinates (see SkinRules.h); empty when it is missing.
SkinRect ControlRectInDialog(HWND dialog, int controlId);

class CMyBitmapBtn {
public:
    virtual ~CMyBitmapBtn() = default;
    // Images are read from their files at every paint; paths relative to the current directory.
    void AddButton(HWND dialog, int controlId, const wchar_t* normal, const wchar_t* pressed, const wchar_t* hover);
    void Draw(Gdiplus::GpGraphics* graphics) const;
    void OnMouseMove(HWND dialog, int x, int y);
    void OnLButtonDown(HWND dialog, int x, int y);
    void OnLButtonUp(HWND dialog, int x, int y);
    const std::vector<ButtonSkin>& Records() const { return records_; }

private:
    std::vector<ButtonSkin> records_;
};

class CMyTextLink {
public:
    virtual ~CMyTextLink() = default;
    // Nothing is added for a placeholder without text.
    void AddLink(HWND dialog, int controlId);
    void Draw(Gdiplus::GpGraphics* graphics) const;
    void OnMouseMove(HWND dialog, int x, int y);
    void OnLButtonDown(HWND dialog, int x, int y);
    void OnLButtonUp(HWND dialog, int x, int y);
    const std::vector<LinkSkin>& Records() const { return records_; }

private:
    std::vector<LinkSkin> records_;
};

class CMyText {
public:
    virtual ~CMyText() = default;
    void AddText(HWND dialog, int controlId);
    void Draw(Gdiplus::GpGraphics* graphics) const;
    const std::vector<TextSkin>& Records() const { return records_; }

private:
    std::vector<TextSkin> records_;
};

class CMyImage {
public:
    virtual ~CMyImage() = default;
    void AddImage(HWND dialog, int controlId, const wchar_t* path);
    void Draw(Gdiplus::GpGraphics* graphics) const;
    const std::vector<ImageSkin>& Records() const { return records_; }

private:
    std::vector<ImageSkin> records_;
};

}  // namespace MyBitmapBtn
