#include "source_starts.hpp"

#include "stop_signal.hpp"

namespace rs_host {
namespace {

std::vector<HostedSource*> Pointers(const std::vector<std::unique_ptr<HostedSource>>& sources) {
  std::vector<HostedSource*> pointers;
  pointers.reserve(sources.size());
  for (const auto& source : sources)
    pointers.push_back(source.get());
  return pointers;
}

}  // namespace

SourceStarts::SourceStarts(const std::vector<std::unique_ptr<HostedSource>>& sources,
                           vid_db::Protocol& protocol)
    : sources_(Pointers(sources)), phases_(sources_.size(), Phase::Starting) {
  threads_.reserve(sources_.size());
  // Threads inherit the mask of the thread that creates them.
  const StopSignalsHeld held;
  try {
    for (std::size_t i = 0; i < sources_.size(); ++i) {
      {
        const utils::MutexLock lock(mutex_);
        ++busy_;
      }
      threads_.emplace_back([this, i, &protocol] { Start(i, protocol); });
    }
  } catch (...) {
    // No thread was made for this source and the ones after it.
    {
      const utils::MutexLock lock(mutex_);
      --busy_;
    }
    StopAll();
    Join();
    throw;
  }
}

SourceStarts::~SourceStarts() {
  StopAll();
  Join();
}

void SourceStarts::Start(std::size_t index, vid_db::Protocol& protocol) {
  HostedSource* const source = sources_[index];
  const bool started = source->Start(protocol);
  bool stopNow = false;
  {
    const utils::MutexLock lock(mutex_);
    phases_[index] = started ? Phase::Started : Phase::Failed;
    stopNow = started && stopping_;
  }
  if (stopNow)
    source->Stop();
  const utils::MutexLock lock(mutex_);
  --busy_;
}

SourceStarts::Phase SourceStarts::PhaseOf(std::size_t index) const {
  const utils::MutexLock lock(mutex_);
  return phases_.at(index);
}

bool SourceStarts::Busy() const {
  const utils::MutexLock lock(mutex_);
  return busy_ != 0;
}

void SourceStarts::StopAll() {
  std::vector<HostedSource*> started;
  {
    const utils::MutexLock lock(mutex_);
    if (stopping_)
      return;
    stopping_ = true;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
      if (phases_[i] == Phase::Started)
        started.push_back(sources_[i]);
    }
  }
  for (HostedSource* source : started)
    source->Stop();
}

void SourceStarts::Join() {
  for (auto& thread : threads_) {
    if (thread.joinable())
      thread.join();
  }
}

}  // namespace rs_host
