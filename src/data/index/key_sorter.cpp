#include "data/index/key_sorter.h"

#include <algorithm>
#include <cstring>

#include "data/base/byte_coding.h"

namespace tabrix {
namespace {

constexpr size_t kMinBufferedEntries = 16;

uint64_t PrefixOf(const uint8_t* key, size_t length) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) v = (v << 8) | (i < length ? key[i] : 0);
  return v;
}

}  // namespace

std::string RunFileName(const std::string& prefix, size_t n) {
  std::string digits = std::to_string(n);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return prefix + "." + digits + ".srt";
}

IoStatus VectorEntrySource::Next(IndexEntry* entry, bool* done) {
  *done = next_ >= entries_->size();
  if (!*done) *entry = (*entries_)[next_++];
  return IoStatus::Ok();
}

// One sorted run in a temporary file, read through a buffer of whole entries.
struct KeySorter::Run {
  std::string name;
  std::unique_ptr<File> file;
  size_t entrySize = 0;
  uint64_t next = 0;  // file offset of the next chunk
  std::vector<uint8_t> buffer;
  size_t length = 0;  // valid bytes in buffer
  size_t at = 0;      // current entry in buffer

  bool atEnd() const { return at >= length; }
  const uint8_t* current() const { return buffer.data() + at; }

  IoStatus Open(Env* env, size_t bufferBytes) {
    OpenOptions o;
    o.exclusive = true;
    o.readOnly = true;
    if (IoStatus s = env->Open(name, o, &file); !s.ok()) return s;
    buffer.resize(std::max(entrySize, bufferBytes / entrySize * entrySize));
    return Fill();
  }
  IoStatus Fill() {
    at = 0;
    if (IoStatus s = file->ReadAt(next, buffer, &length); !s.ok()) return s;
    length -= length % entrySize;
    next += length;
    return IoStatus::Ok();
  }
  IoStatus Advance() {
    at += entrySize;
    return at < length ? IoStatus::Ok() : Fill();
  }
};

// Writes whole entries to a new run file in chunks.
class RunWriter {
 public:
  RunWriter(Env* env, std::string name, size_t bufferBytes)
      : env_(env), name_(std::move(name)), capacity_(std::max<size_t>(bufferBytes, 4096)) {}
  IoStatus Open() {
    OpenOptions o;
    o.exclusive = true;
    o.disposition = Disposition::kCreateAlways;
    buffer_.reserve(capacity_);
    return env_->Open(name_, o, &file_);
  }
  IoStatus Add(const uint8_t* entry, size_t size) {
    if (buffer_.size() + size > capacity_) {
      if (IoStatus s = Drain(); !s.ok()) return s;
    }
    buffer_.insert(buffer_.end(), entry, entry + size);
    return IoStatus::Ok();
  }
  IoStatus Close() {
    IoStatus s = Drain();
    file_.reset();
    return s;
  }

 private:
  IoStatus Drain() {
    IoStatus s = file_->WriteAt(written_, buffer_);
    written_ += buffer_.size();
    buffer_.clear();
    return s;
  }
  Env* env_;
  std::string name_;
  size_t capacity_;
  std::unique_ptr<File> file_;
  std::vector<uint8_t> buffer_;
  uint64_t written_ = 0;
};

KeySorter::KeySorter(Env* env, int keyLength, KeySorterOptions options)
    : env_(env), keyLength_(static_cast<size_t>(keyLength)), options_(std::move(options)) {
  capacity_ = std::max(kMinBufferedEntries, options_.memoryBytes / (EntrySize() + sizeof(Slot)));
}

KeySorter::~KeySorter() {
  runs_.clear();
  for (const std::string& name : runFiles_) (void)env_->RemoveFile(name);
}

bool KeySorter::Less(const uint8_t* a, const uint8_t* b) const {
  int c = options_.compareKeys
              ? options_.compareKeys(std::string_view(reinterpret_cast<const char*>(a), keyLength_),
                                     std::string_view(reinterpret_cast<const char*>(b), keyLength_))
              : std::memcmp(a, b, keyLength_);
  if (c != 0) return c < 0;
  return DecodeLE32(a + keyLength_) < DecodeLE32(b + keyLength_);
}

IoStatus KeySorter::Add(std::string_view key, uint32_t record) {
  if (finished_ || key.size() != keyLength_) {
    return IoStatus::Error(kOsInvalidParameter, "sort keys", options_.tempPrefix,
                           finished_ ? "entry after the end of the input" : "key of wrong length");
  }
  if (order_.size() == capacity_) {
    if (IoStatus s = SpillBuffer(); !s.ok()) return s;
  }
  if (buffer_.empty()) buffer_.reserve(capacity_ * EntrySize());
  size_t at = buffer_.size();
  buffer_.resize(at + EntrySize());
  std::memcpy(buffer_.data() + at, key.data(), keyLength_);
  EncodeLE32(buffer_.data() + at + keyLength_, record);
  const uint8_t* k = buffer_.data() + at;
  order_.push_back(Slot{options_.compareKeys ? 0 : PrefixOf(k, keyLength_),
                        static_cast<uint32_t>(order_.size())});
  return IoStatus::Ok();
}

void KeySorter::SortBuffer() {
  const uint8_t* base = buffer_.data();
  size_t size = EntrySize();
  std::sort(order_.begin(), order_.end(), [&](const Slot& a, const Slot& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return Less(base + a.index * size, base + b.index * size);
  });
}

IoStatus KeySorter::SpillBuffer() {
  SortBuffer();
  std::string name = RunFileName(options_.tempPrefix, runsWritten_);
  RunWriter writer(env_, name, KeySorter::kMinRunBuffer * 16);
  if (IoStatus s = writer.Open(); !s.ok()) return s;
  runFiles_.push_back(name);
  ++runsWritten_;
  for (const Slot& slot : order_) {
    if (IoStatus s = writer.Add(buffer_.data() + slot.index * EntrySize(), EntrySize()); !s.ok()) {
      return s;
    }
  }
  buffer_.clear();
  order_.clear();
  return writer.Close();
}

IoStatus KeySorter::MergeGroup(size_t first, size_t count) {
  size_t slice = std::max(KeySorter::kMinRunBuffer, options_.memoryBytes / (count + 1));
  std::vector<std::unique_ptr<Run>> runs;
  for (size_t i = 0; i < count; ++i) {
    auto run = std::make_unique<Run>();
    run->name = runFiles_[first + i];
    run->entrySize = EntrySize();
    if (IoStatus s = run->Open(env_, slice); !s.ok()) return s;
    runs.push_back(std::move(run));
  }
  std::string name = RunFileName(options_.tempPrefix, runsWritten_++);
  RunWriter writer(env_, name, slice);
  if (IoStatus s = writer.Open(); !s.ok()) return s;
  runFiles_.push_back(name);
  auto greater = [&](size_t a, size_t b) { return Less(runs[b]->current(), runs[a]->current()); };
  std::vector<size_t> heap;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (!runs[i]->atEnd()) heap.push_back(i);
  }
  std::make_heap(heap.begin(), heap.end(), greater);
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), greater);
    Run& run = *runs[heap.back()];
    if (IoStatus s = writer.Add(run.current(), EntrySize()); !s.ok()) return s;
    if (IoStatus s = run.Advance(); !s.ok()) return s;
    if (run.atEnd()) {
      heap.pop_back();
    } else {
      std::push_heap(heap.begin(), heap.end(), greater);
    }
  }
  return writer.Close();
}

IoStatus KeySorter::Finish() {
  if (finished_) return IoStatus::Ok();
  finished_ = true;
  if (runFiles_.empty()) {
    SortBuffer();
    return IoStatus::Ok();
  }
  if (!order_.empty()) {
    if (IoStatus s = SpillBuffer(); !s.ok()) return s;
  }
  std::vector<uint8_t>().swap(buffer_);
  std::vector<Slot>().swap(order_);
  size_t fanIn = std::max<size_t>(2, options_.memoryBytes / kMinRunBuffer);
  while (runFiles_.size() > fanIn) {
    std::vector<std::string> inputs = runFiles_;
    std::vector<std::string> merged;
    for (size_t i = 0; i < inputs.size(); i += fanIn) {
      size_t count = std::min(fanIn, inputs.size() - i);
      if (count == 1) {
        merged.push_back(inputs[i]);
        continue;
      }
      runFiles_ = inputs;
      if (IoStatus s = MergeGroup(i, count); !s.ok()) return s;
      merged.push_back(runFiles_.back());
      for (size_t j = i; j < i + count; ++j) (void)env_->RemoveFile(inputs[j]);
    }
    runFiles_ = merged;
  }
  return OpenMerge();
}

IoStatus KeySorter::OpenMerge() {
  size_t slice = std::max(KeySorter::kMinRunBuffer, options_.memoryBytes / runFiles_.size());
  for (const std::string& name : runFiles_) {
    auto run = std::make_unique<Run>();
    run->name = name;
    run->entrySize = EntrySize();
    if (IoStatus s = run->Open(env_, slice); !s.ok()) return s;
    if (!run->atEnd()) heap_.push_back(runs_.size());
    runs_.push_back(std::move(run));
  }
  auto greater = [this](size_t a, size_t b) {
    return Less(runs_[b]->current(), runs_[a]->current());
  };
  std::make_heap(heap_.begin(), heap_.end(), greater);
  return IoStatus::Ok();
}

IoStatus KeySorter::Next(IndexEntry* entry, bool* done) {
  if (!finished_) {
    return IoStatus::Error(kOsInvalidParameter, "sort keys", options_.tempPrefix,
                           "entries asked for before the end of the input");
  }
  const uint8_t* e = nullptr;
  if (runs_.empty()) {
    *done = handed_ >= order_.size();
    if (*done) return IoStatus::Ok();
    e = buffer_.data() + order_[handed_++].index * EntrySize();
    entry->key.assign(reinterpret_cast<const char*>(e), keyLength_);
    entry->record = DecodeLE32(e + keyLength_);
    return IoStatus::Ok();
  }
  *done = heap_.empty();
  if (*done) {
    runs_.clear();
    for (const std::string& name : runFiles_) (void)env_->RemoveFile(name);
    runFiles_.clear();
    return IoStatus::Ok();
  }
  auto greater = [this](size_t a, size_t b) {
    return Less(runs_[b]->current(), runs_[a]->current());
  };
  std::pop_heap(heap_.begin(), heap_.end(), greater);
  Run& run = *runs_[heap_.back()];
  e = run.current();
  entry->key.assign(reinterpret_cast<const char*>(e), keyLength_);
  entry->record = DecodeLE32(e + keyLength_);
  if (IoStatus s = run.Advance(); !s.ok()) return s;
  if (run.atEnd()) {
    heap_.pop_back();
  } else {
    std::push_heap(heap_.begin(), heap_.end(), greater);
  }
  return IoStatus::Ok();
}

}  // namespace tabrix
