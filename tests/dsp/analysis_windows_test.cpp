#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dsp/analysis_windows.h"

namespace tonvale {
namespace {

TEST(AnalysisWindowsTest, HammingFirstElementTakesTheAngleOneStepBeforeTheStart) {
  std::vector<double> w(4096, 1.0);
  const double first = HammingWindow(w, 512);
  EXPECT_EQ(first, 0.54 - 0.46 * std::cos(6.283185307179586 * -1 / 511));
  EXPECT_EQ(w[0], first);
  EXPECT_EQ(w[1], 0.54 - 0.46);    // angle 0
  EXPECT_NEAR(w[256], 1.0, 1e-4);  // the peak at (M + 1) / 2
  EXPECT_EQ(w[512], 1.0);          // element M is not touched
  for (size_t i = 513; i < w.size(); ++i) ASSERT_EQ(w[i], 0.0);
}

TEST(AnalysisWindowsTest, TriangleGivesItsMiddleElementBothFactors) {
  std::vector<double> w(8, 1.0);
  TriangularWindow(w, 5);  // c = 4, h = 2
  EXPECT_EQ(w[0], 0.0);
  EXPECT_EQ(w[1], 0.5);
  EXPECT_EQ(w[2], 1.0 * 1.0);  // 2*2/4 = 1, then 2 - 1 = 1
  EXPECT_EQ(w[3], 0.5);
  EXPECT_EQ(w[4], 0.0);
  EXPECT_EQ(w[5], 1.0);
  EXPECT_EQ(w[6], 0.0);
  std::vector<double> v(8, 1.0);
  TriangularWindow(v, 6);  // c = 5, h = 2: element 2 gets 0.8 and then 1.2
  EXPECT_EQ(v[2], 0.8 * 1.2);
  EXPECT_EQ(RectangularWindow(v, 3), v[0]);
  EXPECT_EQ(v[7], 0.0);
}

// A window worked out once and applied to many frames gives the routine's values exactly.
TEST(AnalysisWindowsTest, PreparedWindowMatchesTheRoutinesBitForBit) {
  struct Case {
    std::string name;
    double (*routine)(std::span<double>, int);
  };
  const Case cases[] = {{"ブラックマン窓", BlackmanWindow}, {"ハニング窓", HanningWindow},
                        {"ハミング窓", HammingWindow},      {"方形窓", RectangularWindow},
                        {"三角窓", TriangularWindow},       {"なし", nullptr}};
  std::mt19937 random(4);
  std::uniform_real_distribution<double> value(-32768.0, 32767.0);
  for (const Case& c : cases) {
    for (int M : {1, 2, 3, 7, 64, 511, 512}) {
      AnalysisWindow window;
      ASSERT_TRUE(window.Select(c.name, M));
      std::vector<double> frame(1024);
      for (double& v : frame) v = value(random);
      std::vector<double> expected = frame;
      if (c.routine != nullptr) c.routine(expected, M);
      window.Apply(std::span<double>(frame).first(static_cast<size_t>(M)));
      for (int i = 0; i < M; ++i) {
        const double a = frame[static_cast<size_t>(i)], b = expected[static_cast<size_t>(i)];
        ASSERT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << c.name << " " << M << " " << i;
      }
    }
  }
  AnalysisWindow window;
  EXPECT_FALSE(AnalysisWindow::IsKnownName("Hamming"));
  EXPECT_FALSE(window.Select("Hamming", 512));
}

}  // namespace
}  // namespace tonvale
