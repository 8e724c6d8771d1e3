// The starts of a run's sources, each on a thread of its own. A camera that
// keeps its start waiting (the camera library waits up to 15 s for one that
// is missing) holds up no other source, nor the main thread, which goes on
// showing the status and answering Ctrl-C meanwhile.
#pragma once

#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

#include <utils/mutex.hpp>

#include "hosted_source.hpp"
#include "vid_db/protocol.hpp"

namespace rs_host {

// Its own calls from the main thread. A source is touched by its start
// thread until its phase leaves Starting, and by the main thread after.
class SourceStarts {
 public:
  enum class Phase { Starting, Started, Failed };

  // Begins every start and returns. The start threads begin with SIGINT and
  // SIGTERM held, and so do the module's and the camera library's threads
  // that they create: the stop signals reach the main thread only.
  SourceStarts(const std::vector<std::unique_ptr<HostedSource>>& sources,
               vid_db::Protocol& protocol);
  // Stops every source and waits for the starts still under way.
  ~SourceStarts();
  SourceStarts(const SourceStarts&) = delete;
  SourceStarts& operator=(const SourceStarts&) = delete;

  [[nodiscard]] Phase PhaseOf(std::size_t index) const EXCLUDES(mutex_);
  // Whether a start thread is at work: in a start, or in the stop after a
  // start that returned once StopAll had been called.
  [[nodiscard]] bool Busy() const EXCLUDES(mutex_);
  // Stops every source that has started. A source whose start is still under
  // way is stopped by its own thread as soon as the start returns: a start
  // cannot be cut short, and the main thread must not wait for it here.
  // Later calls do nothing.
  void StopAll() EXCLUDES(mutex_);
  // Joins the start threads; blocks while Busy().
  void Join();

 private:
  void Start(std::size_t index, vid_db::Protocol& protocol) EXCLUDES(mutex_);

  const std::vector<HostedSource*> sources_;
  mutable utils::Mutex mutex_;
  std::vector<Phase> phases_ GUARDED_BY(mutex_);  // one per source
  bool stopping_ GUARDED_BY(mutex_) = false;
  std::size_t busy_ GUARDED_BY(mutex_) = 0;  // start threads not finished
  std::vector<std::thread> threads_;
};

}  // namespace rs_host
