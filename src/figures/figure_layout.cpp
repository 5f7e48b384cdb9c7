#include "figures/figure_layout.h"

namespace tonvale {
namespace {

FigureLayout MakeMainLayout() {
  FigureLayout layout;
  // The plot control is 322 x 187 dialog units at 1.75 x 1.5 pixels each.
  layout.surfaceWidth = 563;
  layout.surfaceHeight = 280;
  layout.frame = {40, 10, 542, 237};
  layout.dataLeft = 41;
  layout.dataWidth = 500;
  layout.baseline = 237;
  layout.pixelsPerHertz = 0.04117913832199547;  // about 227 / 5512.5
  layout.markerScale = 227;
  layout.tickLeft = 41;
  layout.tickWidth = 501;
  layout.tickFrom = 236;
  layout.tickTo = 231;
  layout.timeLabelDx = -3;
  layout.timeLabelY = 240;
  layout.frequencyLabelX = 30;
  layout.frequencyLabelY = {26, 67, 108, 149, 190};
  layout.noteLabelX = 22;  // three labels of width 5 end before the frame
  layout.gridY = {31, 72, 113, 154, 195};
  layout.gridFrom = 41;
  layout.gridTo = 541;
  layout.timeTitle = {258, 254};
  layout.frequencyTitle = {5, 172};
  layout.labelFont = {.height = 10, .width = 5, .face = ""};
  layout.titleFont = {.height = 16, .width = 7, .face = ""};
  layout.frequencyTitleFirst = false;
  layout.errors = FigureLayout::Errors::kMessageLog;
  return layout;
}

FigureLayout MakeEnlargedLayout() {
  FigureLayout layout;
  // The plot control is 630 x 440 dialog units at 1.75 x 1.5 pixels each.
  layout.surfaceWidth = 1102;
  layout.surfaceHeight = 660;
  layout.frame = {80, 20, 1082, 572};
  layout.dataLeft = 81;
  layout.dataWidth = 1000;
  layout.baseline = 572;
  layout.pixelsPerHertz = 0.1001360544217687;  // 552 / 5512.5
  layout.markerScale = 552;
  layout.tickLeft = 80;
  layout.tickWidth = 1001;
  layout.tickFrom = 571;
  layout.tickTo = 562;
  layout.timeLabelDx = -5;
  layout.timeLabelY = 572;
  layout.frequencyLabelX = 65;
  layout.frequencyLabelY = {57, 157, 257, 357, 457};
  layout.noteLabelX = 52;  // three labels of width 8 end before the frame
  layout.gridY = {72, 172, 272, 372, 472};
  layout.gridFrom = 81;
  layout.gridTo = 1081;
  layout.timeTitle = {501, 610};
  layout.frequencyTitle = {10, 410};
  layout.labelFont = {.height = 32, .width = 8, .face = ""};
  layout.titleFont = {.weight = 400, .face = "Arial"};
  layout.titlePointTenths = 200;  // a 20-point title
  layout.frequencyTitleFirst = true;
  layout.errors = FigureLayout::Errors::kMessageBox;
  return layout;
}

}  // namespace

const FigureLayout& MainFigureLayout() {
  static const FigureLayout kLayout = MakeMainLayout();
  return kLayout;
}

const FigureLayout& EnlargedFigureLayout() {
  static const FigureLayout kLayout = MakeEnlargedLayout();
  return kLayout;
}

}  // namespace tonvale
