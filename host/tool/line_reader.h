// The REPL's input: at a terminal, lines are read with editing, a history kept in a file
// across runs and completion of the given words (step words, methods, REST paths); from a
// pipe or file, plain lines as they come.
//
//   LineReader input(HistoryFilePath(), {"call:", "GET", "/arx-player-behavior/v1/ban"});
//   while (std::optional<std::string> line = input.Read("> ")) Run(*line);
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Vela::Host {

class LineReader {
 public:
  // Edits lines when standard input and output are both terminals and the build has line
  // editing; `historyPath` is read now and written by the destructor (empty: no history).
  LineReader(std::istream& in, std::ostream& out, std::string historyPath, std::vector<std::string> words);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line break; nothing at the end of the input.
  [[nodiscard]] std::optional<std::string> Read(std::string_view prompt);

  [[nodiscard]] bool editing() const { return editing_; }

 private:
  std::istream& in_;
  std::ostream& out_;
  std::string historyPath_;
  bool editing_ = false;
};

// $ARX_HOST_HISTORY, else ~/.arx_host_history; empty when neither can be had.
[[nodiscard]] std::string HistoryFilePath();

// The words of `words` that start with `prefix`, in their order.
[[nodiscard]] std::vector<std::string> Completions(const std::vector<std::string>& words, std::string_view prefix);

}  // namespace Vela::Host
