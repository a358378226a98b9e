#include "app/skin/SkinCollections.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>

using namespace Gdiplus;

namespace MyBitmapBtn {
namespace {

struct ImageDeleter {
    void operator()(GpImage* image) const { (void)DllExports::GdipDisposeImage(image); }
};
using ImageRef = std::unique_ptr<GpImage, ImageDeleter>;

ImageRef LoadImageFile(const std::wstring& path)
{
    GpImage* image = nullptr;
    if (DllExports::GdipLoadImageFromFile(path.c_str(), &image) != Ok) return ImageRef();
    return ImageRef(image);
}

void DrawImageAt(GpGraphics* graphics, const std::wstring& path, const SkinRect& rect)
{
    ImageRef image = LoadImageFile(path);
    UINT width = 0, height = 0;
    if (!image || DllExports::GdipGetImageWidth(image.get(), &width) != Ok ||
        DllExports::GdipGetImageHeight(image.get(), &height) != Ok)
        return;
    (void)DllExports::GdipDrawImageRectI(graphics, image.get(), rect.left, rect.top, static_cast<INT>(width),
                                         static_cast<INT>(height));
}

// "Arial" 8 point, or the generic sans-serif family where Arial is missing. A system with neither (Wine without
// Windows fonts) gets the face that GDI substitutes for Arial, so that the texts still show.
GpFont* CreateSkinFont()
{
    GpFontFamily* family = nullptr;
    GpFont* font = nullptr;
    if (DllExports::GdipCreateFontFamilyFromName(L"Arial", nullptr, &family) == Ok) {
        if (DllExports::GdipCreateFont(family, 8.0f, FontStyleRegular, UnitPoint, &font) != Ok) font = nullptr;
        (void)DllExports::GdipDeleteFontFamily(family);
        return font;
    }
    // The generic family belongs to GDI+ and is not deleted.
    if (DllExports::GdipGetGenericFontFamilySansSerif(&family) == Ok)
        return DllExports::GdipCreateFont(family, 8.0f, FontStyleRegular, UnitPoint, &font) == Ok ? font : nullptr;
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    LOGFONTW logfont{};
    logfont.lfHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    logfont.lfWeight = FW_NORMAL;
    lstrcpynW(logfont.lfFaceName, L"Arial", LF_FACESIZE);
    if (DllExports::GdipCreateFontFromLogfontW(screen, &logfont, &font) != Ok) font = nullptr;
    ReleaseDC(nullptr, screen);
    return font;
}

// The text in the given colour, unclipped and unwrapped from the rectangle's top-left corner.
void DrawSkinText(GpGraphics* graphics, const std::wstring& text, const SkinRect& rect, ARGB colour)
{
    GpFont* font = CreateSkinFont();
    GpSolidFill* brush = nullptr;
    if (font && DllExports::GdipCreateSolidFill(colour, &brush) == Ok) {
        const RectF layout(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top), 0.0f, 0.0f);
        (void)DllExports::GdipDrawString(graphics, text.c_str(), -1, font, &layout, nullptr, brush);
    }
    if (brush) (void)DllExports::GdipDeleteBrush(brush);
    if (font) (void)DllExports::GdipDeleteFont(font);
}

// Runs one mouse message over button or link records: repaints each changed record and posts its click.
template <class Record>
void Route(std::vector<Record>& records, HWND dialog, MouseMessage message, int x, int y)
{
    const bool held = message == MouseMessage::Move && (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    std::vector<SkinState> states;
    std::vector<SkinRect> rects;
    for (const Record& record : records) {
        states.push_back(record.state);
        rects.push_back(record.rect);
    }
    for (const SkinEffect& effect : ApplyMouse(states, rects, message, x, y, held)) {
        Record& record = records[effect.record];
        record.state = states[effect.record];
        const RECT area{record.rect.left, record.rect.top, record.rect.right, record.rect.bottom};
        (void)InvalidateRect(dialog, &area, FALSE);  // fails only for a window already gone
        if (effect.click) {
            HWND placeholder = GetDlgItem(dialog, record.command);
            (void)PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(record.command, BN_CLICKED),
                               reinterpret_cast<LPARAM>(placeholder));
        }
    }
}

std::wstring PlaceholderText(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    const int length = control ? GetWindowTextLengthW(control) : 0;
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

}  // namespace

uint32_t LinkColour(SkinState state)
{
    switch (state) {
    case Pressed:
        return 0xFFFFFFFFu;
    case Hover:
        return 0xFFFFD700u;
    default:
        return 0xFFADD8E6u;
    }
}

SkinRect ControlRectInDialog(HWND dialog, int controlId)
{
    RECT d{}, c{};
    TITLEBARINFO title{};
    title.cbSize = sizeof(title);
    HWND control = GetDlgItem(dialog, controlId);
    if (!control || !GetWindowRect(dialog, &d) || !GetWindowRect(control, &c) || !GetTitleBarInfo(dialog, &title))
        return SkinRect{};
    const RECT& t = title.rcTitleBar;
    return ControlRectInDialog(SkinRect{d.left, d.top, d.right, d.bottom}, SkinRect{c.left, c.top, c.right, c.bottom},
                               SkinRect{t.left, t.top, t.right, t.bottom});
}

void CMyBitmapBtn::AddButton(HWND dialog, int controlId, const wchar_t* normal, const wchar_t* pressed,
                             const wchar_t* hover)
{
    ButtonSkin record;
    record.rect = ControlRectInDialog(dialog, controlId);
    UINT width = 0, height = 0;
    if (ImageRef image = LoadImageFile(normal)) {
        if (DllExports::GdipGetImageWidth(image.get(), &width) != Ok) width = 0;
        if (DllExports::GdipGetImageHeight(image.get(), &height) != Ok) height = 0;
    }
    record.rect.right = record.rect.left + static_cast<int32_t>(width);
    record.rect.bottom = record.rect.top + static_cast<int32_t>(height);
    record.normal = normal;
    record.pressed = pressed;
    record.hover = hover;
    record.command = controlId;
    records_.push_back(record);
}

void CMyBitmapBtn::Draw(GpGraphics* graphics) const
{
    for (const ButtonSkin& record : records_) {
        const std::wstring& path =
            record.state == Pressed ? record.pressed : record.state == Hover ? record.hover : record.normal;
        DrawImageAt(graphics, path, record.rect);
    }
}

void CMyBitmapBtn::OnMouseMove(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::Move, x, y); }
void CMyBitmapBtn::OnLButtonDown(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::LeftDown, x, y); }
void CMyBitmapBtn::OnLButtonUp(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::LeftUp, x, y); }

void CMyTextLink::AddLink(HWND dialog, int controlId)
{
    std::wstring text = PlaceholderText(dialog, controlId);
    if (text.empty()) return;
    records_.push_back(LinkSkin{Normal, ControlRectInDialog(dialog, controlId), std::move(text), controlId});
}

void CMyTextLink::Draw(GpGraphics* graphics) const
{
    for (const LinkSkin& record : records_) DrawSkinText(graphics, record.text, record.rect, LinkColour(record.state));
}

void CMyTextLink::OnMouseMove(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::Move, x, y); }
void CMyTextLink::OnLButtonDown(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::LeftDown, x, y); }
void CMyTextLink::OnLButtonUp(HWND dialog, int x, int y) { Route(records_, dialog, MouseMessage::LeftUp, x, y); }

void CMyText::AddText(HWND dialog, int controlId)
{
    std::wstring text = PlaceholderText(dialog, controlId);
    if (text.empty()) return;
    records_.push_back(TextSkin{ControlRectInDialog(dialog, controlId), std::move(text)});
}

void CMyText::Draw(GpGraphics* graphics) const
{
    for (const TextSkin& record : records_) DrawSkinText(graphics, record.text, record.rect, 0xFFFFFFFFu);
}

void CMyImage::AddImage(HWND dialog, int controlId, const wchar_t* path)
{
    records_.push_back(ImageSkin{ControlRectInDialog(dialog, controlId), path});
}

void CMyImage::Draw(GpGraphics* graphics) const
{
    for (const ImageSkin& record : records_) DrawImageAt(graphics, record.path, record.rect);
}

}  // namespace MyBitmapBtn
