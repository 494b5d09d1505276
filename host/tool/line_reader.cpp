#include "line_reader.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef ARX_HOST_LINE_EDITING
#include <unistd.h>
// libedit's readline interface: BSD-licensed, so the tool stays free of copyleft terms.
#include <editline/readline.h>
#endif

namespace Vela::Host {
namespace {

// Lines kept in the history file.
constexpr int kHistoryLines = 1000;

#ifdef ARX_HOST_LINE_EDITING
// The completion callbacks of the library are plain functions: the words live here for the
// one reader at a time that edits.
const std::vector<std::string>* gWords = nullptr;

char* NextCompletion(const char* prefix, int state) {
  static std::vector<std::string> matches;
  static std::size_t next = 0;
  if (state == 0) {
    matches = gWords != nullptr ? Completions(*gWords, prefix) : std::vector<std::string>{};
    next = 0;
  }
  if (next >= matches.size()) return nullptr;
  // The library frees what it is given.
  return strdup(matches[next++].c_str());
}

char** Complete(const char* text, int, int) {
  rl_attempted_completion_over = 1;  // no file names when no word fits
  return rl_completion_matches(text, &NextCompletion);
}
#endif

}  // namespace

std::vector<std::string> Completions(const std::vector<std::string>& words, std::string_view prefix) {
  std::vector<std::string> matches;
  for (const std::string& word : words) {
    if (std::string_view(word).starts_with(prefix)) matches.push_back(word);
  }
  return matches;
}

std::string HistoryFilePath() {
  if (const char* path = std::getenv("ARX_HOST_HISTORY"); path != nullptr && *path != '\0') return path;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return std::string(home) + "/.arx_host_history";
  return {};
}

LineReader::LineReader(std::istream& in, std::ostream& out, std::string historyPath, std::vector<std::string> words)
    : in_(in), out_(out), historyPath_(std::move(historyPath)) {
#ifdef ARX_HOST_LINE_EDITING
  editing_ = gWords == nullptr && isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
  if (!editing_) return;
  static std::vector<std::string> kept;
  kept = std::move(words);
  gWords = &kept;
  rl_readline_name = "arx-host";
  // Paths and words split at spaces only, so "/arx-player-behavior/v1/ban" is one word.
  static char breaks[] = " \t\n";
  rl_completer_word_break_characters = breaks;
  rl_attempted_completion_function = &Complete;
  using_history();
  stifle_history(kHistoryLines);
  if (!historyPath_.empty()) read_history(historyPath_.c_str());
#else
  (void)words;
#endif
}

LineReader::~LineReader() {
#ifdef ARX_HOST_LINE_EDITING
  if (!editing_) return;
  if (!historyPath_.empty()) write_history(historyPath_.c_str());
  gWords = nullptr;
#endif
}

std::optional<std::string> LineReader::Read(std::string_view prompt) {
#ifdef ARX_HOST_LINE_EDITING
  if (editing_) {
    out_.flush();
    char* line = readline(std::string(prompt).c_str());
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    // Blank lines and repeats stay out of the history.
    if (text.find_first_not_of(" \t\r") != std::string::npos &&
        (history_length == 0 || history_get(history_base + history_length - 1) == nullptr ||
         text != history_get(history_base + history_length - 1)->line)) {
      add_history(text.c_str());
    }
    return text;
  }
#endif
  out_ << prompt << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  return line;
}

}  // namespace Vela::Host
