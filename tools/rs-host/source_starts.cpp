#include "source_starts.hpp"

#include "stop_signal.hpp"

namespace rs_host {

SourceStarts::SourceStarts(const std::vector<std::unique_ptr<HostedSource>>& sources,
                           vid_db::Protocol& protocol) {
  for (const auto& source : sources)
    slots_.push_back(Slot{source.get()});
  threads_.reserve(slots_.size());
  // Threads inherit the mask of the thread that creates them.
  const StopSignalsHeld held;
  try {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++busy_;
      }
      threads_.emplace_back([this, i, &protocol] { Start(i, protocol); });
    }
  } catch (...) {
    // No thread was made for this source and the ones after it.
    {
      const std::lock_guard<std::mutex> lock(mutex_);
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
  HostedSource* const source = slots_[index].source;  // the vector does not change
  const bool started = source->Start(protocol);
  bool stopNow = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    slots_[index].phase = started ? Phase::Started : Phase::Failed;
    stopNow = started && stopping_;
  }
  if (stopNow)
    source->Stop();
  const std::lock_guard<std::mutex> lock(mutex_);
  --busy_;
}

SourceStarts::Phase SourceStarts::PhaseOf(std::size_t index) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return slots_.at(index).phase;
}

bool SourceStarts::Busy() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return busy_ != 0;
}

void SourceStarts::StopAll() {
  std::vector<HostedSource*> started;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_)
      return;
    stopping_ = true;
    for (const auto& slot : slots_) {
      if (slot.phase == Phase::Started)
        started.push_back(slot.source);
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
