#pragma once
// Random integers, for the faked click positions of image buttons.

namespace foundation {

class MathUtil {
public:
    // floor(r * (hi - lo) + lo + 0.5) with r uniform in [0, 1): every value
    // from lo to hi can occur, the two end values half as often as the
    // inner ones. Safe from any thread.
    static int rand(int lo, int hi);
    // The shared uniform source behind rand, in [0, 1).
    static double nextDouble();
};

}  // namespace foundation
