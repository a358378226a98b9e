#pragma once
// One input of the camera behind the interface the stream and the input switching see: started for a render
// size, filled on the streaming thread, stopped. Start and Stop may take long (a graph to build or stop) and are
// never called on the streaming thread or under a lock it takes; Fill never waits for long.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include <windows.h>

class FrameInput {
public:
    virtual ~FrameInput() = default;

    // Prepares the input for frames of width x height. S_OK, or the producer result the input shows instead of
    // pictures (E_FRAME_NOCAMERA, ...), or a failure; Fill reports the same from then on.
    virtual HRESULT Start(int width, int height) = 0;
    // Writes the newest frame (width * height * 3 bytes, rows bottom-up) into frame: S_OK; S_FALSE when the input
    // has no frame yet (nothing written: the stream repeats its last one); a producer result code for a
    // placeholder. Called on the streaming thread, possibly by several streams at once.
    virtual HRESULT Fill(uint8_t* frame, size_t size) = 0;
    // Lets go of everything the input holds (graphs, threads, GDI+ objects). Fill answers S_FALSE afterwards.
    virtual void Stop() = 0;
};

// The frame period of the streams in milliseconds, for inputs that work at the stream's pace (desktop capture).
// Set by the output stream from its current type.
inline std::atomic<uint32_t> g_streamFramePeriodMs{100};
inline void SetStreamFramePeriod(uint32_t milliseconds) { g_streamFramePeriodMs.store(milliseconds ? milliseconds : 1); }
inline uint32_t StreamFramePeriod() { return g_streamFramePeriodMs.load(); }
