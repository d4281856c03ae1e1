#pragma once
// Codes a JPEG decoder stops with; the fatal report names the code.

namespace rigging {

enum JpegError : int {
    kJpegDhtTooManyCodes = -256,
    kJpegDhtBadSlot = -255,
    kJpegDhtBadLength = -254,
    kJpegDqtBadLength = -253,
    kJpegDqtBadTable = -252,
    kJpegBadPrecision = -251,
    kJpegBadHeight = -250,
    kJpegBadWidth = -249,
    kJpegTooManyComponents = -248,
    kJpegSofBadLength = -247,
    kJpegBadMarkerLength = -246,
    kJpegDriBadLength = -245,
    kJpegSosBadLength = -244,
    kJpegSosBadComponent = -243,
    kJpegArithmeticCoding = -241,
    kJpegUnexpectedMarker = -240,
    kJpegNotJpeg = -239,
    kJpegUnsupportedProcess = -238,
    kJpegDqtLengthMismatch = -237,
    kJpegUndefinedQuantTable = -235,
    kJpegUndefinedHuffmanTable = -234,
    kJpegUnsupportedColourSpace = -232,
    kJpegUnsupportedSampling = -231,
    kJpegBadEntropyData = -230,
    kJpegBadRestart = -229,
    kJpegTooManyBlocks = -228,
    kJpegBadSpectralSelection = -227,
    kJpegBadSuccessiveApproximation = -226,
    kJpegReadFailed = -225,
    kJpegOutOfMemory = -224,
};

}  // namespace rigging
