#pragma once
// Frame layout shared by every frame source and the output stream: W x H pixels of 3 bytes (blue, green, red),
// rows bottom-up and packed (a row is exactly W * 3 bytes).
#include <cstddef>
#include <cstdint>

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kBytesPerPixel = 3;

constexpr size_t FrameRowBytes(int width) { return static_cast<size_t>(width) * kBytesPerPixel; }
constexpr size_t FrameBytes(int width, int height) { return FrameRowBytes(width) * static_cast<size_t>(height); }

// Result of a frame producer. Same values as the HRESULTs the output stream sees: S_OK means a new frame is in
// the sample, S_FALSE that nothing was written; a negative value selects a placeholder picture.
using FrameResult = int32_t;
constexpr FrameResult kFrameWritten = 0;     // S_OK
constexpr FrameResult kFrameNotWritten = 1;  // S_FALSE
constexpr FrameResult E_FRAME_NOCAMERA = static_cast<FrameResult>(0x80040000u);
constexpr FrameResult E_FRAME_NOFILE = static_cast<FrameResult>(0x80040001u);
constexpr FrameResult E_FRAME_NOTSUPPORTED = static_cast<FrameResult>(0x80040002u);
constexpr FrameResult E_FRAME_NOPICTURES = static_cast<FrameResult>(0x80040003u);
