#pragma once
// The picture of the test cameras, for tests that check what a camera delivered.
// Frame n (counted from 0 at each start of the stream) is a bottom-up RGB24 image, rows padded to 4 bytes with
// zeros. The pixel at column x and row y counted from the top has blue = x & 0xFF, green = y & 0xFF and
// red = n & 0xFF, so every frame tells its own number (modulo 256) and every position is checkable.
// Samples are stamped [n * kTestCameraFrameTime, (n + 1) * kTestCameraFrameTime): 30 frames per second.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr long long kTestCameraFrameTime = 333333;

inline size_t TestFrameStride(int width)
{
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

inline size_t TestFrameBytes(int width, int height)
{
    return TestFrameStride(width) * static_cast<size_t>(height);
}

// Writes frame `number` into `buffer` of `size` bytes; false (nothing written) when the buffer is too small.
inline bool WriteTestFrame(uint8_t* buffer, size_t size, int width, int height, unsigned number)
{
    if (!buffer || width <= 0 || height <= 0 || size < TestFrameBytes(width, height)) return false;
    const size_t stride = TestFrameStride(width);
    const uint8_t red = static_cast<uint8_t>(number & 0xFF);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // rows are stored bottom-up
        uint8_t* line = buffer + stride * static_cast<size_t>(row);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = static_cast<uint8_t>(x & 0xFF);
            line[3 * x + 1] = static_cast<uint8_t>(y & 0xFF);
            line[3 * x + 2] = red;
        }
        for (size_t pad = static_cast<size_t>(width) * 3; pad < stride; ++pad) line[pad] = 0;
    }
    return true;
}

inline std::vector<uint8_t> ExpectedTestFrame(int width, int height, unsigned number)
{
    std::vector<uint8_t> frame(TestFrameBytes(width, height));
    WriteTestFrame(frame.data(), frame.size(), width, height, number);
    return frame;
}

// The frame number (modulo 256) a frame carries, or -1 when the buffer cannot hold the frame.
inline int ReadTestFrameNumber(const uint8_t* buffer, size_t size, int width, int height)
{
    if (!buffer || width <= 0 || height <= 0 || size < TestFrameBytes(width, height)) return -1;
    return buffer[2];
}

// The offset of the first byte that differs from frame `number`, or -1 when the buffer holds exactly that frame.
inline long long FirstTestFrameMismatch(const uint8_t* buffer, size_t size, int width, int height, unsigned number)
{
    const size_t bytes = TestFrameBytes(width, height);
    if (!buffer || size < bytes) return 0;
    const size_t stride = TestFrameStride(width);
    const uint8_t red = static_cast<uint8_t>(number & 0xFF);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const uint8_t* line = buffer + stride * static_cast<size_t>(row);
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = line + 3 * x;
            if (pixel[0] != static_cast<uint8_t>(x & 0xFF) || pixel[1] != static_cast<uint8_t>(y & 0xFF) ||
                pixel[2] != red)
                return static_cast<long long>(pixel - buffer);
        }
        for (size_t pad = static_cast<size_t>(width) * 3; pad < stride; ++pad) {
            if (line[pad] != 0) return static_cast<long long>(line + pad - buffer);
        }
    }
    return -1;
}
