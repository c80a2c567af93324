// The arrangement rules of the main window's controls and the minimum size.
#include "ui/arrangement.h"

#include <gtest/gtest.h>

#include "ui/transfer_dlg_ids.h"

namespace vmt::ui {
namespace {

constexpr Rect kClient{0, 0, 800, 600};

TEST(Arrangement, EachRuleFollowsTheGrowthAndAScaledRecordPlacesAtItsScale) {
  struct Case {
    ArrangeRule rule;
    Rect recorded;
    int width, height;
    Rect placed;
  };
  // Widened by 200 (and deepened by 100): the centre moves by half, each list widens by half
  // and the gap between the two lists stays.
  for (const Case& k : {
           Case{ArrangeRule::kCentre, {380, 200, 420, 220}, 1000, 600, {480, 200, 520, 220}},
           Case{ArrangeRule::kLeftEdgeToCentreDown, {10, 100, 370, 400}, 1000, 700,
                {10, 100, 470, 500}},
           Case{ArrangeRule::kCentreToRightEdgeDown, {430, 100, 790, 400}, 1000, 700,
                {530, 100, 990, 500}},
           Case{ArrangeRule::kCentreAndBottom, {380, 570, 460, 590}, 1000, 700,
                {480, 670, 560, 690}},
           Case{ArrangeRule::kRightEdge, {750, 20, 790, 40}, 1000, 600, {950, 20, 990, 40}},
           Case{ArrangeRule::kCentreToRightEdge, {430, 20, 790, 40}, 1000, 600,
                {530, 20, 990, 40}},
           Case{ArrangeRule::kLeftEdgeToCentre, {10, 20, 370, 40}, 1000, 600, {10, 20, 470, 40}},
           Case{ArrangeRule::kEdgesAndBottom, {10, 420, 790, 580}, 1000, 700,
                {10, 520, 990, 680}},
           Case{ArrangeRule::kBottomRightCorner, {650, 570, 790, 590}, 1000, 700,
                {850, 670, 990, 690}},
       }) {
    SCOPED_TRACE(static_cast<int>(k.rule));
    EXPECT_EQ(k.placed, arrange({0, k.rule, k.recorded, kClient}, k.width, k.height));
  }

  // Moved to a monitor at 150 %: odd pixels rounded, and back again gives the record.
  const ArrangementRecord record{IDC_UPLOAD, ArrangeRule::kCentre, {381, 201, 421, 221}, kClient};
  const ArrangementRecord at_150 = scaled_record(record, 144, 96);
  EXPECT_EQ((Rect{0, 0, 1200, 900}), at_150.client);
  EXPECT_EQ((Rect{572, 302, 632, 332}), at_150.control);
  EXPECT_EQ((Rect{722, 302, 782, 332}), arrange(at_150, 1500, 900));
  EXPECT_EQ(record.control, scaled_record(at_150, 96, 144).control);
  EXPECT_EQ(record.control, scaled_record(record, 96, 0).control);

  // A record outside its client area is not used.
  EXPECT_TRUE(is_recorded_inside({0, ArrangeRule::kCentre, {0, 0, 800, 600}, kClient}));
  EXPECT_FALSE(is_recorded_inside({0, ArrangeRule::kCentre, {10, 10, 801, 20}, kClient}));
  EXPECT_FALSE(is_recorded_inside({0, ArrangeRule::kCentre, {10, 10, 20, 20}, {1, 0, 800, 600}}));
}

TEST(Arrangement, DraggingPastTheMinimumStopsTheDraggedEdge) {
  struct Case {
    SizingEdge edge;
    Rect dragged;
    Rect limited;
  };
  // The minimum is 700 by 500; the border opposite the dragged one stays.
  for (const Case& k : {Case{SizingEdge::kLeft, {300, 100, 900, 700}, {200, 100, 900, 700}},
                        Case{SizingEdge::kBottomRight, {300, 100, 900, 700}, {300, 100, 1000, 700}},
                        Case{SizingEdge::kTopLeft, {300, 300, 1000, 700}, {300, 200, 1000, 700}},
                        Case{SizingEdge::kBottom, {0, 0, 1200, 900}, {0, 0, 1200, 900}}}) {
    Rect rect = k.dragged;
    limit_sizing(k.edge, 700, 500, &rect);
    EXPECT_EQ(k.limited, rect) << static_cast<int>(k.edge);
  }
}

}  // namespace
}  // namespace vmt::ui
