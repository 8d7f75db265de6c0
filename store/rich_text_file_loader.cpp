#include "store/rich_text_file_loader.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <utility>

namespace solwire {

struct RichTextFileLoader::Job {
  std::atomic<bool> stop{false};
  PieceArrived onPiece;
  ProblemFound onProblem;
};

RichTextFileLoader::RichTextFileLoader(QObject* parent) : QObject(parent) {}

RichTextFileLoader::~RichTextFileLoader() {
  cancel();
  for (QThread* worker : workers_) {
    worker->wait();
    delete worker;
  }
}

void RichTextFileLoader::load(const std::filesystem::path& path, const PieceReadOptions& options,
                              PieceArrived onPiece, ProblemFound onProblem) {
  cancel();
  auto job = std::make_shared<Job>();
  job->onPiece = std::move(onPiece);
  job->onProblem = std::move(onProblem);
  current_ = job;
  // The worker posts to this object, which waits for it before it goes.
  QThread* worker = QThread::create([this, job, path, options] {
    const auto deliver = [this, job](RichTextPiece piece) {
      auto shared = std::make_shared<RichTextPiece>(std::move(piece));
      QMetaObject::invokeMethod(this, [this, job, shared] { arrive(job, *shared); }, Qt::QueuedConnection);
    };
    const PieceReadOutcome outcome = readRichTextFileInPieces(path, options, job->stop, deliver);
    if (outcome.problem != FileShowProblem::None) {
      QMetaObject::invokeMethod(this, [this, job, outcome] { fail(job, outcome); }, Qt::QueuedConnection);
    }
  });
  workers_.push_back(worker);
  connect(worker, &QThread::finished, this, [this, worker] { forgetWorker(worker); }, Qt::QueuedConnection);
  worker->start(QThread::LowPriority);
}

void RichTextFileLoader::cancel() {
  if (current_) current_->stop = true;
  current_.reset();
}

void RichTextFileLoader::arrive(const std::shared_ptr<Job>& job, RichTextPiece& piece) {
  if (job != current_) return;  // a read given up on
  if (piece.last) current_.reset();
  job->onPiece(piece);
}

void RichTextFileLoader::fail(const std::shared_ptr<Job>& job, const PieceReadOutcome& outcome) {
  if (job != current_) return;
  current_.reset();
  job->onProblem(outcome.problem, outcome.reason);
}

void RichTextFileLoader::forgetWorker(QThread* worker) {
  const auto found = std::find(workers_.begin(), workers_.end(), worker);
  if (found == workers_.end()) return;
  workers_.erase(found);
  worker->wait();
  delete worker;
}

}  // namespace solwire
