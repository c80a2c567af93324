// How the main window's controls follow its size: nineteen controls keep
// their distances to the left or right edge, the bottom or the centre, and
// the window never gets smaller than at start-up.
#pragma once

#include <vector>

namespace vmt::ui {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect& other) const {
    return left == other.left && top == other.top && right == other.right &&
           bottom == other.bottom;
  }
};

enum class ArrangeRule {
  kCentre,
  kCentreAndBottom,
  kRightEdge,
  kCentreToRightEdge,
  kLeftEdgeToCentre,
  kEdgesAndBottom,
  kCentreToRightEdgeDown,
  kLeftEdgeToCentreDown,
  kBottomRightCorner,
};

struct ArrangedControl {
  int id;
  ArrangeRule rule;
};

// The nineteen controls and their rules.
const std::vector<ArrangedControl>& arranged_controls();

// One control's place and the client area as recorded at start-up.
struct ArrangementRecord {
  int id = 0;
  ArrangeRule rule = ArrangeRule::kCentre;
  Rect control;
  Rect client;
};

// The record for another DPI (the window moved to a monitor with other
// scaling): every place multiplied by to_dpi / from_dpi, rounded.
ArrangementRecord scaled_record(const ArrangementRecord& record, int to_dpi, int from_dpi);

// False when the client does not start at 0, 0 or the control lies outside it.
bool is_recorded_inside(const ArrangementRecord& record);

// The control's rectangle for a client area of `width` by `height`.
Rect arrange(const ArrangementRecord& record, int width, int height);

// The edge being dragged (WMSZ_*).
enum class SizingEdge { kLeft = 1, kRight, kTop, kTopLeft, kTopRight, kBottom, kBottomLeft,
                        kBottomRight };

// Keeps the outer rectangle at least the minimum size, moving the dragged edge.
void limit_sizing(SizingEdge edge, int min_width, int min_height, Rect* proposed);

}  // namespace vmt::ui
