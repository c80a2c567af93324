#include "ui/arrangement.h"

#include "ui/transfer_dlg_ids.h"

namespace vmt::ui {

const std::vector<ArrangedControl>& arranged_controls() {
  static const std::vector<ArrangedControl> controls = {
      {IDC_EXIT, ArrangeRule::kCentreAndBottom},
      {IDC_HELP_BUTTON, ArrangeRule::kCentreAndBottom},
      {IDC_STATUS, ArrangeRule::kEdgesAndBottom},
      {IDC_UPLOAD, ArrangeRule::kCentre},
      {IDC_DOWNLOAD, ArrangeRule::kCentre},
      {IDC_ANIMATION, ArrangeRule::kCentre},
      {IDC_BROWSE_DEVICE, ArrangeRule::kCentre},
      {IDC_PROJECTS_FOLDER, ArrangeRule::kCentre},
      {IDC_DESKTOP_UP, ArrangeRule::kCentre},
      {IDC_FEATLINK_CHECK, ArrangeRule::kCentre},
      {IDC_DEVICE_PICTURE, ArrangeRule::kCentre},
      {IDC_FILTER_TOGGLE, ArrangeRule::kCentre},
      {IDC_DESKTOP_LIST, ArrangeRule::kLeftEdgeToCentreDown},
      {IDC_DEVICE_LIST, ArrangeRule::kCentreToRightEdgeDown},
      {IDC_DESKTOP_PATH, ArrangeRule::kLeftEdgeToCentre},
      {IDC_DEVICE_PATH, ArrangeRule::kCentreToRightEdge},
      {IDC_DEVICE_UP, ArrangeRule::kRightEdge},
      {IDC_CREATE_REPORT, ArrangeRule::kBottomRightCorner},
      {IDC_LAUNCH_PROGRAM, ArrangeRule::kBottomRightCorner},
  };
  return controls;
}

bool is_recorded_inside(const ArrangementRecord& r) {
  return r.client.left == 0 && r.client.top == 0 && r.control.left >= r.client.left &&
         r.control.top >= r.client.top && r.control.right <= r.client.right &&
         r.control.bottom <= r.client.bottom;
}

Rect arrange(const ArrangementRecord& r, int w, int h) {
  const Rect& k = r.control;
  const int W = r.client.right;
  const int H = r.client.bottom;
  const int c = W / 2;
  const int c2 = w / 2;
  Rect n = k;
  const auto from_centre = [&] { n.left = c2 + (k.left - c); };
  const auto keep_width_left = [&] { n.right = n.left + k.width(); };
  const auto right_edge = [&] { n.right = w - (W - k.right); };
  const auto keep_width_right = [&] { n.left = n.right - k.width(); };
  const auto bottom_edge = [&] { n.bottom = h - (H - k.bottom); };
  const auto keep_height = [&] { n.top = n.bottom - k.height(); };
  const auto right_to_centre = [&] { n.right = c2 - (c - k.right); };
  switch (r.rule) {
    case ArrangeRule::kCentre:
      from_centre();
      keep_width_left();
      break;
    case ArrangeRule::kCentreAndBottom:
      from_centre();
      keep_width_left();
      bottom_edge();
      keep_height();
      break;
    case ArrangeRule::kRightEdge:
      right_edge();
      keep_width_right();
      break;
    case ArrangeRule::kCentreToRightEdge:
      from_centre();
      right_edge();
      break;
    case ArrangeRule::kLeftEdgeToCentre:
      right_to_centre();
      break;
    case ArrangeRule::kEdgesAndBottom:
      right_edge();
      bottom_edge();
      keep_height();
      break;
    case ArrangeRule::kCentreToRightEdgeDown:
      from_centre();
      right_edge();
      bottom_edge();
      break;
    case ArrangeRule::kLeftEdgeToCentreDown:
      right_to_centre();
      bottom_edge();
      break;
    case ArrangeRule::kBottomRightCorner:
      right_edge();
      keep_width_right();
      bottom_edge();
      keep_height();
      break;
  }
  return n;
}

void limit_sizing(SizingEdge edge, int min_width, int min_height, Rect* p) {
  if (p->width() < min_width) {
    const bool left = edge == SizingEdge::kLeft || edge == SizingEdge::kTopLeft ||
                      edge == SizingEdge::kBottomLeft;
    if (left) {
      p->left = p->right - min_width;
    } else {
      p->right = p->left + min_width;
    }
  }
  if (p->height() < min_height) {
    const bool top = edge == SizingEdge::kTop || edge == SizingEdge::kTopLeft ||
                     edge == SizingEdge::kTopRight;
    if (top) {
      p->top = p->bottom - min_height;
    } else {
      p->bottom = p->top + min_height;
    }
  }
}

ArrangementRecord scaled_record(const ArrangementRecord& record, int to_dpi, int from_dpi) {
  if (from_dpi <= 0) return record;
  const auto scale = [&](int value) {
    const long long product = static_cast<long long>(value) * to_dpi;
    // Rounded half away from zero, as MulDiv does.
    return static_cast<int>((product >= 0 ? product + from_dpi / 2 : product - from_dpi / 2) /
                            from_dpi);
  };
  const auto scale_rect = [&](const Rect& r) {
    return Rect{scale(r.left), scale(r.top), scale(r.right), scale(r.bottom)};
  };
  ArrangementRecord scaled = record;
  scaled.control = scale_rect(record.control);
  scaled.client = scale_rect(record.client);
  return scaled;
}

}  // namespace vmt::ui
