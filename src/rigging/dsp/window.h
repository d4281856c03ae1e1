#pragma once
// Analysis windows.

namespace rigging {

enum class WindowType : int {
    rectangular = 0,
    triangle = 1,
    hann = 2,
    hamming = 3,
    nuttall = 4,
    blackmanNuttall = 5,
    blackmanHarris = 6,
    flatTop = 7,
    kaiser = 8,
};

// Where the shape sits on its N points (N even):
enum class WindowAlignment : int {
    right = 0,      // periodic shape, peak at N/2
    left = 1,       // the periodic shape moved one point left, peak at N/2 - 1
    symmetric = 2,  // the shape over N-1 intervals, peak at (N-1)/2
};

struct WindowDesc {
    WindowType type = WindowType::rectangular;
    WindowAlignment alignment = WindowAlignment::right;
    float param = 0.0f;  // Kaiser only: the shape parameter alpha

    WindowDesc() = default;
    WindowDesc(WindowType t, WindowAlignment a, float p) : type(t), alignment(a), param(p) {}
};

// Value of point n of a window of N points. Unknown type numbers give 1.
double evalWindow(const WindowDesc& desc, int n, int N);

}  // namespace rigging
