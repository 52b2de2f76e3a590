// Two small modal prompts the demo playback keys use: pick one line of a
// list, or type a short text.
//
// No backend draws them: both take the next scripted answer (QueuePromptAnswer)
// and log the prompt and the answer (Platform::Log), so headless runs and
// tests steer them; without an answer the list chooses nothing and the text
// prompt is cancelled. The sdl2 backend answers the same way; the look of a
// system dialog (sizes, its 8-point font) is not reproduced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Answers, taken in order: "pick N" chooses line N (0 first, as a double
// click or Enter would), "text T" answers Ok with T (T may be empty), anything
// else ("cancel") closes the prompt without a choice.
void QueuePromptAnswer(const std::string& answer);
void ClearPromptAnswers();
// Every prompt shown so far, one entry each: the title, then its lines or its
// initial text, then the answer.
std::vector<std::string> PromptLog();
void ClearPromptLog();

// The chosen line's item data in *chosen; false when nothing was chosen.
bool PickFromList(const std::string& title, const std::vector<std::wstring>& lines,
                  const std::vector<std::uint32_t>& itemData, std::uint32_t* chosen);
// Ok: true with at most maxBytes bytes in *text. Cancel: false.
bool AskText(const std::string& title, const std::string& initialText, std::string* text, std::size_t maxBytes = 500);

}  // namespace Platform
