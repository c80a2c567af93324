// The arrangement rules of the main window's controls and the minimum size.
#include "ui/arrangement.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/transfer_dlg_ids.h"

namespace vmt::ui {
namespace {

constexpr Rect kClient{0, 0, 800, 600};

Rect place(ArrangeRule rule, Rect control, int width, int height) {
  return arrange({0, rule, control, kClient}, width, height);
}

TEST(Arrangement, WideningByTwoHundredMovesTheCentreByHalfAndWidensEachListByHalf) {
  // ">>>" sits at the centre, the two lists either side of it.
  EXPECT_EQ((Rect{480, 200, 520, 220}), place(ArrangeRule::kCentre, {380, 200, 420, 220}, 1000, 600));
  const Rect desktop = place(ArrangeRule::kLeftEdgeToCentreDown, {10, 100, 370, 400}, 1000, 700);
  const Rect device = place(ArrangeRule::kCentreToRightEdgeDown, {430, 100, 790, 400}, 1000, 700);
  EXPECT_EQ((Rect{10, 100, 470, 500}), desktop);
  EXPECT_EQ((Rect{530, 100, 990, 500}), device);
  EXPECT_EQ(60, device.left - desktop.right);  // the gap between them stays

  EXPECT_EQ((Rect{480, 670, 560, 690}),
            place(ArrangeRule::kCentreAndBottom, {380, 570, 460, 590}, 1000, 700));
  EXPECT_EQ((Rect{950, 20, 990, 40}), place(ArrangeRule::kRightEdge, {750, 20, 790, 40}, 1000, 600));
  EXPECT_EQ((Rect{530, 20, 990, 40}),
            place(ArrangeRule::kCentreToRightEdge, {430, 20, 790, 40}, 1000, 600));
  EXPECT_EQ((Rect{10, 20, 470, 40}), place(ArrangeRule::kLeftEdgeToCentre, {10, 20, 370, 40}, 1000, 600));
  EXPECT_EQ((Rect{10, 520, 990, 680}),
            place(ArrangeRule::kEdgesAndBottom, {10, 420, 790, 580}, 1000, 700));
  EXPECT_EQ((Rect{850, 670, 990, 690}),
            place(ArrangeRule::kBottomRightCorner, {650, 570, 790, 590}, 1000, 700));
  // The size recorded gives the places recorded.
  EXPECT_EQ((Rect{650, 570, 790, 590}),
            place(ArrangeRule::kBottomRightCorner, {650, 570, 790, 590}, 800, 600));
}

// Moved to a monitor at 150 %, a window keeps its arrangement at the new
// scale: a record scaled from 96 to 144 DPI places the control where the
// 96-DPI record does, times one and a half, odd pixels rounded.
TEST(Arrangement, ARecordScaledToAnotherDpiPlacesTheControlAtThatScale) {
  const ArrangementRecord record{IDC_UPLOAD, ArrangeRule::kCentre, {381, 201, 421, 221}, kClient};
  const ArrangementRecord at_150 = scaled_record(record, 144, 96);
  EXPECT_EQ((Rect{0, 0, 1200, 900}), at_150.client);
  EXPECT_EQ((Rect{572, 302, 632, 332}), at_150.control);
  EXPECT_EQ((Rect{722, 302, 782, 332}), arrange(at_150, 1500, 900));
  // Back again gives the record it came from.
  EXPECT_EQ(record.control, scaled_record(at_150, 96, 144).control);
  EXPECT_EQ(record.control, scaled_record(record, 96, 0).control);
}

TEST(Arrangement, NineteenControlsAreArrangedAndTheRestKeepTheirPlaces) {
  std::set<int> ids;
  for (const ArrangedControl& control : arranged_controls()) ids.insert(control.id);
  EXPECT_EQ(19u, ids.size());
  for (int kept : {IDC_DESKTOP_PICTURE, IDC_BROWSE_DESKTOP, IDC_DEFAULT_DOWNLOAD,
                   IDC_DEFAULT_UPLOAD, IDC_DEFAULT_FEATLINK}) {
    EXPECT_EQ(0u, ids.count(kept)) << kept;
  }
  EXPECT_TRUE(is_recorded_inside({0, ArrangeRule::kCentre, {0, 0, 800, 600}, kClient}));
  EXPECT_FALSE(is_recorded_inside({0, ArrangeRule::kCentre, {10, 10, 801, 20}, kClient}));
  EXPECT_FALSE(is_recorded_inside({0, ArrangeRule::kCentre, {10, 10, 20, 20}, {1, 0, 800, 600}}));
}

TEST(Arrangement, DraggingPastTheMinimumStopsTheDraggedEdge) {
  Rect left_drag{300, 100, 900, 700};  // 600 wide, the minimum is 700
  limit_sizing(SizingEdge::kLeft, 700, 500, &left_drag);
  EXPECT_EQ((Rect{200, 100, 900, 700}), left_drag);  // the right border stays

  Rect right_drag{300, 100, 900, 700};
  limit_sizing(SizingEdge::kBottomRight, 700, 500, &right_drag);
  EXPECT_EQ((Rect{300, 100, 1000, 700}), right_drag);

  Rect top_drag{300, 300, 1000, 700};
  limit_sizing(SizingEdge::kTopLeft, 700, 500, &top_drag);
  EXPECT_EQ((Rect{300, 200, 1000, 700}), top_drag);

  Rect big{0, 0, 1200, 900};
  limit_sizing(SizingEdge::kBottom, 700, 500, &big);
  EXPECT_EQ((Rect{0, 0, 1200, 900}), big);
}

}  // namespace
}  // namespace vmt::ui
