#pragma once
// The host's byte stream for saving and restoring state.

#include "rigging/vst3/funknown.h"

namespace rigging::vst3 {

enum : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

class IBStream : public FUnknown {
public:
    // numBytesRead / numBytesWritten may be null; a read may succeed with fewer bytes.
    virtual tresult read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult tell(int64* pos) = 0;
    static constexpr UID iid = INLINE_UID(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

protected:
    ~IBStream() = default;
};

class ISizeableStream : public FUnknown {
public:
    virtual tresult getStreamSize(int64& size) = 0;
    virtual tresult setStreamSize(int64 size) = 0;
    static constexpr UID iid = INLINE_UID(0x04F9549E, 0xE02F4E6E, 0x87E86A87, 0x47F4E17F);

protected:
    ~ISizeableStream() = default;
};

}  // namespace rigging::vst3
