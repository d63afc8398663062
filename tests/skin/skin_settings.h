#pragma once
// The frame values every skinned window uses, and picture sizes to go with them, for the rule and
// painting tests.
#include "skin/frame_rules.h"

namespace ds::skin::test {

inline FrameSettings FormSettings() {
    FrameSettings s;
    s.p_BorderHasInactive = false;
    s.p_ControlHasInactive = true;
    s.p_ButtonHeight = 16;
    s.p_ButtonWidth = 32;
    s.p_ControlButtonPosition = true;
    s.p_ButtonOffsetX = -8;
    s.p_ButtonOffsetY = 6;
    s.p_LeftEnd = 250;
    s.p_ActiveRight = 251;
    s.p_RightEnd = 350;
    s.p_Offset = 0;
    s.p_LeftBorderWidth = 6;
    s.p_RightBorderWidth = 6;
    s.p_BottomBorderHeight = 4;
    s.p_TopBorderHeight = 6;
    return s;
}

inline constexpr PictureSizes kPictures{478, 32, 42, 6};

}  // namespace ds::skin::test
