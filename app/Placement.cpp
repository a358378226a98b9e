#include "app/Placement.h"

int32_t CentredEdge(int32_t refLow, int32_t refHigh, int32_t size, int32_t boundLow, int32_t boundHigh)
{
    int32_t edge = (refLow + refHigh) / 2 - size / 2;
    if (edge + size > boundHigh) edge = boundHigh - size;
    if (edge < boundLow) edge = boundLow;
    return edge;
}

Origin CentredOrigin(const Box& window, bool ownerShown, const Box& owner, const Box& ownerWork, const Box& selfWork)
{
    const Box& bounds = ownerShown ? ownerWork : selfWork;
    const Box& reference = ownerShown ? owner : selfWork;
    return Origin{CentredEdge(reference.left, reference.right, window.right - window.left, bounds.left, bounds.right),
                  CentredEdge(reference.top, reference.bottom, window.bottom - window.top, bounds.top, bounds.bottom)};
}

namespace {

void AppendHex8(std::wstring& text, uint32_t value)
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::wstring RotItemName(uint32_t graphAddress, uint32_t processId)
{
    std::wstring name = L"FilterGraph ";
    AppendHex8(name, graphAddress);
    name += L" pid ";
    AppendHex8(name, processId);
    return name;
}
