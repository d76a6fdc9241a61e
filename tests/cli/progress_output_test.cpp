#include "cli/progress_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

namespace vesk::cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct FakeClock {
  steady_clock::time_point now{steady_clock::time_point{} + std::chrono::hours(1)};
  ProgressOutput::Clock Get() {
    return [this] { return now; };
  }
};

size_t Redraws(const std::string& text) {
  return std::count(text.begin(), text.end(), '\r');
}

TEST(ProgressOutputBar, RedrawsAtABoundedRateButAlwaysShowsTheEnd) {
  std::ostringstream out, err;
  FakeClock clock;
  ProgressOutput output(OutputMode::kBar, out, err, clock.Get());
  output.Step("upload", "Writing the firmware");
  // A fast device reports 122 blocks within 61 ms.
  for (uint64_t done = 1; done <= 122; ++done) {
    output.Progress("upload", done, 122);
    clock.now += milliseconds(done % 2);
  }
  EXPECT_EQ(Redraws(out.str()), 2u) << out.str();
  EXPECT_NE(out.str().find("] 100%"), std::string::npos);
}

TEST(ProgressOutputBar, SlowProgressIsDrawnEveryTime) {
  std::ostringstream out, err;
  FakeClock clock;
  ProgressOutput output(OutputMode::kBar, out, err, clock.Get());
  output.Step("erase-flash", "Erasing the flash memory");
  for (uint64_t done = 1; done <= 5; ++done) {
    output.Progress("erase-flash", done, 61);
    clock.now += ProgressOutput::kRedrawInterval;
  }
  EXPECT_EQ(Redraws(out.str()), 5u);
}

TEST(ProgressOutputLines, PrintsEachTenthOnce) {
  std::ostringstream out, err;
  ProgressOutput output(OutputMode::kLines, out, err);
  output.Step("upload", "Writing the firmware");
  for (uint64_t done = 0; done <= 122; ++done) {
    output.Progress("upload", done, 122);
  }
  const std::string text = out.str();
  EXPECT_EQ(text.find('\r'), std::string::npos) << "no terminal control in plain lines";
  EXPECT_NE(text.find("  Writing the firmware: 0%\n"), std::string::npos);
  EXPECT_NE(text.find("  Writing the firmware: 100%\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 11) << "the step and ten steps of ten";
}

TEST(ProgressOutputJson, EveryLineIsOneEventObject) {
  std::ostringstream out, err;
  ProgressOutput output(OutputMode::kJson, out, err);
  output.Event("start", {{"port", "/dev/ttyUSB0\xff"}});
  output.Step("upload", "Writing the firmware");
  output.Progress("upload", 3, 122);
  output.Failure("upload", -21, 8, "The device stopped answering.");
  EXPECT_TRUE(err.str().empty()) << "failures are events, not text, in JSON mode";

  std::istringstream lines(out.str());
  std::string line;
  std::vector<std::string> events;
  while (std::getline(lines, line)) {
    const auto event = nlohmann::json::parse(line);  // throws on a broken line
    events.push_back(event.at("event"));
  }
  EXPECT_EQ(events, (std::vector<std::string>{"start", "step", "progress", "error"}));
}

}  // namespace
}  // namespace vesk::cli
