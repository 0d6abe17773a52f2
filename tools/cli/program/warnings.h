// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "program/program_tree.h"
#include "program_file/program_file.h"
#include "render/renderer.h"
#include "shared/number_option.h"

namespace veltrane::cli {

// The brightness values screens usually take: sixteen levels. The library sends any value as it
// is; the command warns about others, since a screen may ignore or misread them.
constexpr int32_t kUsualBrightnessMin = 0;
constexpr int32_t kUsualBrightnessMax = 15;
// The brightness values the command sends at all: the request carries an unsigned number, so a
// negative one would reach the screen as another.
constexpr tools::NumberRange kBrightnessValues{0, INT32_MAX};

// Input that works but is probably not what the user meant. Each warning is one sentence; they
// are printed on stderr as "veltrane: warning: ...", and under --strict they fail the command.
class Warnings {
 public:
  void Add(std::string sentence) { sentences_.push_back(std::move(sentence)); }
  const std::vector<std::string>& sentences() const { return sentences_; }

  // Prints every warning. Returns true when the command must stop: under `strict`, when there
  // was any.
  bool Report(bool strict) const;

 private:
  std::vector<std::string> sentences_;
};

// A program read back from its block: no pages, a page without areas, an inverted or empty
// rectangle, areas of a page that overlap (the first kMaxOverlapWarnings of a page), and each
// area whose lit pixels reach past its rectangle (`spills`, as the renderer counted them while
// drawing).
void CheckProgramTree(const program::Program& program, std::span<const render::Spill> spills,
                      Warnings& warnings);

// The same, drawing every page at `time` to find the spills.
void CheckProgram(const program::Program& program, std::span<const uint8_t> block,
                  const platform::LocalTime& time, Warnings& warnings);

// Overlaps said for one page at most; a page of thousands of overlapping areas says so once more.
constexpr size_t kMaxOverlapWarnings = 8;

// A program file's faces: each text or date-time area whose face is not installed, naming the
// face drawn instead.
void CheckFaces(const ProgramFile& file, Warnings& warnings);

// Each area of a program file that reaches past the right or bottom edge of the file's screen,
// when it names one.
void CheckScreenEdges(const ProgramFile& file, Warnings& warnings);

// What a program file says that the program block no longer does: its faces and its screen.
void CheckProgramFile(const ProgramFile& file, Warnings& warnings);

// A brightness outside kUsualBrightnessMin..kUsualBrightnessMax.
void CheckBrightness(int32_t value, Warnings& warnings);

// Warns about a brightness to be set (none when only reading it); true when, under `strict`,
// the command must stop before anything is sent.
bool BrightnessStops(const std::optional<int32_t>& value, bool strict);

}  // namespace veltrane::cli
