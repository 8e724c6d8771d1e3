#include "recording.hpp"

#include <cstring>
#include <exception>
#include <iostream>

#include "errors.hpp"

namespace rs2sim {
namespace {

constexpr char kMagic[8] = {'R', 'S', '2', 'S', 'I', 'M', 'R', 'C'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kSetMarker = 0x54455346;  // "FSET" in file byte order
constexpr std::uint32_t kMaxCount = 64;
constexpr std::uint32_t kMaxText = 4096;
constexpr std::uint32_t kMaxFrameBytes = 512u << 20;

// Fixed-width little-endian fields, whatever the host's byte order.
class Encoder {
 public:
  explicit Encoder(std::ostream& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.put(static_cast<char>(v)); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
  }
  void F64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
      U8(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
  void Text(const std::string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    out_.write(s.data(), static_cast<std::streamsize>(s.size()));
  }
  void Raw(const std::uint8_t* data, std::size_t size) {
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

 private:
  std::ostream& out_;
};

// Reads the same fields; ok() turns false at the first short read or implausible count.
class Decoder {
 public:
  explicit Decoder(std::istream& in) : in_(in) {}
  bool ok() const { return ok_; }
  std::uint8_t U8() {
    char c = 0;
    if (ok_ && !in_.get(c))
      ok_ = false;
    return static_cast<std::uint8_t>(c);
  }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<std::uint32_t>(U8()) << (8 * i);
    return v;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  float F32() {
    const std::uint32_t bits = U32();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  double F64() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits |= static_cast<std::uint64_t>(U8()) << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::uint32_t Count(std::uint32_t limit) {
    const std::uint32_t n = U32();
    if (n > limit)
      ok_ = false;
    return ok_ ? n : 0;
  }
  std::string Text() {
    std::string s(Count(kMaxText), '\0');
    Raw(s.data(), s.size());
    return s;
  }
  void Raw(void* data, std::size_t size) {
    if (ok_ && size > 0 &&
        !in_.read(static_cast<char*>(data), static_cast<std::streamsize>(size))) {
      ok_ = false;
    }
  }

 private:
  std::istream& in_;
  bool ok_ = true;
};

void WriteMode(Encoder& e, const StreamMode& m) {
  e.I32(m.stream);
  e.I32(m.index);
  e.I32(m.format);
  e.I32(m.width);
  e.I32(m.height);
  e.I32(m.fps);
}

StreamMode ReadMode(Decoder& d) {
  StreamMode m{};
  m.stream = static_cast<rs2_stream>(d.I32());
  m.index = d.I32();
  m.format = static_cast<rs2_format>(d.I32());
  m.width = d.I32();
  m.height = d.I32();
  m.fps = d.I32();
  return m;
}

// The real library's answers to a file it cannot play, type and text.
[[noreturn]] void CannotPlay(const std::string& path, const std::string& reason) {
  Fail(RS2_EXCEPTION_TYPE_UNKNOWN,
       "Failed to resolve request. Request to enable_device_from_file(\"" + path +
           "\") was invalid, Reason: Failed to create ros "
           "reader: " +
           reason);
}

[[noreturn]] void NotARecording(const std::string& path) {
  CannotPlay(path, "Error reading version line");
}

}  // namespace

RecordingWriter::RecordingWriter(const std::string& path, const RecordingHeader& header)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc) {
  if (!out_)
    Fail(RS2_EXCEPTION_TYPE_IO, "Failed to create recording file " + path);
  Encoder e(out_);
  out_.write(kMagic, sizeof kMagic);
  e.U32(kVersion);
  const DeviceSpec& d = header.device;
  e.Text(d.serial);
  e.Text(d.name);
  e.U8(d.hasDepthSensor ? 1 : 0);
  e.U8(d.emitterSupported ? 1 : 0);
  e.F32(d.emitterValue);
  e.F32(d.depthUnits);
  e.I32(d.domain);
  e.U32(static_cast<std::uint32_t>(header.streams.size()));
  for (const auto& m : header.streams)
    WriteMode(e, m);
  out_.flush();
  if (!out_)
    Fail(RS2_EXCEPTION_TYPE_IO, "Failed to write recording file " + path);
}

std::uint64_t RecordingWriter::SizeOf(const SetBlueprint& set) {
  // Marker, composite flag and frame count, then per frame its fixed fields and its data.
  constexpr std::uint64_t kSetFields = 4 + 1 + 4;
  constexpr std::uint64_t kFrameFields = 6 * 4 + 4 + 4 + 1 + 8 + 4 + 4 + 4;
  std::uint64_t bytes = kSetFields;
  for (const auto& f : set.frames)
    bytes += kFrameFields + f.StoredBytes();
  return bytes;
}

std::uint64_t RecordingWriter::Append(const SetBlueprint& set) {
  Encoder e(out_);
  e.U32(kSetMarker);
  e.U8(set.composite ? 1 : 0);
  e.U32(static_cast<std::uint32_t>(set.frames.size()));
  for (const auto& f : set.frames) {
    WriteMode(e, StreamMode{f.stream, f.index, f.format, f.width, f.height, 0});
    e.I32(f.stride);
    e.I32(f.dataSize);
    e.U8(f.nullData ? 1 : 0);
    e.F64(f.timestamp);
    e.I32(f.domain);
    e.F32(f.depthUnits);
    const std::size_t bytes = f.StoredBytes();
    e.U32(static_cast<std::uint32_t>(bytes));
    if (bytes > 0)
      e.Raw(f.storage->data(), bytes);
  }
  out_.flush();
  return SizeOf(set);
}

Recorder::Recorder(const std::string& path, const RecordingHeader& header,
                   std::optional<std::uint64_t> writeLimit)
    : path_(path), writer_(path, header), writeLimit_(writeLimit) {}

Recorder::~Recorder() {
  if (!failed_)
    return;
  std::cerr << "rs2sim: the recorder of " << path_
            << " failed to write and is destroyed: the real library throws out of its "
               "destructor here, which ends the process"
            << std::endl;
  std::terminate();
}

std::optional<std::string> Recorder::Append(const SetBlueprint& set) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (paused_ || failed_)
    return std::nullopt;
  if (writeLimit_ && bytes_ + RecordingWriter::SizeOf(set) > *writeLimit_) {
    failed_ = true;
    return std::string(
               "Stopping recording for sensor (streaming will continue). (Error: Failed to write "
               "message to ") +
           path_ + ": No space left on device)";
  }
  bytes_ += writer_.Append(set);
  return std::nullopt;
}

void Recorder::Pause() {
  const std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
}

void Recorder::Resume() {
  const std::lock_guard<std::mutex> lock(mutex_);
  paused_ = false;
}

RecordingReader::RecordingReader(const std::string& path)
    : path_(path), in_(path, std::ios::binary) {
  if (!in_)
    CannotPlay(path, "Error opening file: " + path);
  char magic[sizeof kMagic] = {};
  if (!in_.read(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
    NotARecording(path);
  }
  Decoder d(in_);
  if (d.U32() != kVersion)
    NotARecording(path);
  DeviceSpec& dev = header_.device;
  dev.serial = d.Text();
  dev.name = d.Text();
  // Not recorded: a played-back device does not support these infos.
  dev.firmware.clear();
  dev.usbType.clear();
  dev.physicalPort.clear();
  dev.hasDepthSensor = d.U8() != 0;
  dev.emitterSupported = d.U8() != 0;
  dev.emitterValue = d.F32();
  dev.depthUnits = d.F32();
  dev.domain = static_cast<rs2_timestamp_domain>(d.I32());
  const std::uint32_t streams = d.Count(kMaxCount);
  for (std::uint32_t i = 0; i < streams && d.ok(); ++i)
    header_.streams.push_back(ReadMode(d));
  if (!d.ok())
    NotARecording(path);
  dev.modes = header_.streams;
  firstSet_ = in_.tellg();
  if (!Next()) {
    Fail(RS2_EXCEPTION_TYPE_INVALID_VALUE, "Failed to open recording " + path + ": no frames");
  }
  Rewind();
}

std::optional<SetBlueprint> RecordingReader::Next() {
  Decoder d(in_);
  if (d.U32() != kSetMarker || !d.ok())
    return std::nullopt;
  SetBlueprint set;
  set.composite = d.U8() != 0;
  const std::uint32_t frames = d.Count(kMaxCount);
  for (std::uint32_t i = 0; i < frames && d.ok(); ++i) {
    FrameBlueprint f;
    const StreamMode m = ReadMode(d);
    f.stream = m.stream;
    f.index = m.index;
    f.format = m.format;
    f.width = m.width;
    f.height = m.height;
    f.stride = d.I32();
    f.dataSize = d.I32();
    f.nullData = d.U8() != 0;
    f.timestamp = d.F64();
    f.domain = static_cast<rs2_timestamp_domain>(d.I32());
    f.depthUnits = d.F32();
    const std::uint32_t bytes = d.Count(kMaxFrameBytes);
    Bytes data(std::max<std::size_t>(bytes, 1), 0);
    d.Raw(data.data(), bytes);
    f.storage = std::make_shared<const Bytes>(std::move(data));
    set.frames.push_back(std::move(f));
  }
  if (!d.ok())
    return std::nullopt;
  return set;
}

void RecordingReader::Rewind() {
  in_.clear();
  in_.seekg(firstSet_);
}

}  // namespace rs2sim
