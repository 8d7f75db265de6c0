// Reads rich-text files in worker threads, a piece at a time (see
// rich_text_file_pieces.h), and hands the pieces, or the problem, to
// callbacks on the thread this object belongs to, so that a long file never
// holds up that thread. One read is current at a time: starting another or
// cancelling drops the one under way, and nothing of it arrives after that.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/rich_text_file_pieces.h"

class QThread;

namespace solwire {

class RichTextFileLoader : public QObject {
 public:
  using PieceArrived = std::function<void(RichTextPiece& piece)>;
  using ProblemFound = std::function<void(FileShowProblem problem, const std::string& reason)>;

  explicit RichTextFileLoader(QObject* parent = nullptr);
  // Stops the workers and waits for them: each stops within one piece.
  ~RichTextFileLoader() override;

  void load(const std::filesystem::path& path, const PieceReadOptions& options, PieceArrived onPiece,
            ProblemFound onProblem);
  void cancel();
  // A read is current and its last piece or its problem has not arrived.
  bool loading() const { return current_ != nullptr; }
  // Some worker is still running, a dropped read's included.
  bool busy() const { return !workers_.empty(); }

 private:
  struct Job;
  void arrive(const std::shared_ptr<Job>& job, RichTextPiece& piece);
  void fail(const std::shared_ptr<Job>& job, const PieceReadOutcome& outcome);
  void forgetWorker(QThread* worker);

  std::shared_ptr<Job> current_;
  std::vector<QThread*> workers_;  // those still running, the current one's and any cancelled ones'
};

}  // namespace solwire
