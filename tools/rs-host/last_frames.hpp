// The newest colour and depth frame of a source, kept without copying pixels
// so that snapshots can be written after the source has stopped.
#pragma once

#include <boost/shared_ptr.hpp>
#include <utils/mutex.hpp>

#include "source_statistics.hpp"
#include "vid_db/media/packet.hpp"

namespace rs_host {

struct ColourImage {
  boost::shared_ptr<vid_db::media::PackBuf> buffer;
  VideoFormat format;
};

struct KeptFrames {
  ColourImage colour;                                  // buffer empty: none yet
  boost::shared_ptr<vid_db::media::DepthFrame> depth;  // empty: none yet
};

class LastFrames {
 public:
  // An empty depth keeps the previous depth frame: a packet without depth
  // does not erase the last one that had it.
  void Keep(ColourImage colour, boost::shared_ptr<vid_db::media::DepthFrame> depth)
      EXCLUDES(mutex_);
  KeptFrames Get() const EXCLUDES(mutex_);
  // The frames belong to the module's library; they must go before it does.
  void Clear() EXCLUDES(mutex_);

 private:
  mutable utils::Mutex mutex_;
  KeptFrames frames_ GUARDED_BY(mutex_);
};

}  // namespace rs_host
