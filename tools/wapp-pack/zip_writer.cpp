#include "zip_writer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "text_paths.h"
#include "zip_records.h"

namespace {

// Files up to this size are compressed ahead into memory; larger ones by the
// writing thread as it writes them, so that memory stays bounded.
constexpr uint64_t largest_buffered_file = 8u << 20;
// How far ahead of the writing the threads may compress, in entries per thread.
constexpr size_t entries_ahead_per_thread = 4;
constexpr uint64_t largest_entry = 0xFFFFFFFF;

struct sink {
  std::FILE* file;
  int64_t limit;
  uint64_t written = 0;
  bool too_large = false;
  bool write_failed = false;

  bool put(const char* bytes, size_t length) {
    if ((int64_t)(written + length) > limit) {
      too_large = true;
      return false;
    }
    if (std::fwrite(bytes, 1, length, file) != length) {
      write_failed = true;
      return false;
    }
    written += length;
    return true;
  }
  bool put(const std::string& bytes) { return put(bytes.data(), bytes.size()); }
};

struct job {
  enum class stage { waiting, taken, done } stage = stage::waiting;
  read_outcome outcome = read_outcome::read;
  bool out_of_memory = false;
  compressed_file result;
  std::string data;
};

class zip_writer {
 public:
  zip_writer(const app_folder& folder, int level, sink& out, std::string& problem)
      : folder_(folder), level_(level), out_(out), problem_(problem), jobs_(folder.entries.size()) {}

  zip_outcome write(int threads, uint64_t alignment, const std::function<void(const zip_counts&)>& progress,
                    zip_counts& counts) {
    window_ = entries_ahead_per_thread * (size_t)std::max(threads, 1);
    std::vector<std::thread> workers;
    // The writing thread compresses too: one thread less to start.
    for (int i = 1; i < threads; i++) {
      try {
        workers.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        break;  // fewer threads: the same bytes, later
      }
    }
    zip_outcome outcome = write_entries(alignment, progress, counts);
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers) worker.join();
    return outcome;
  }

 private:
  bool buffered(size_t i) const {
    const app_entry& entry = folder_.entries[i];
    return !entry.directory && entry.size <= largest_buffered_file;
  }

  zip_entry_header header_of(size_t i) const {
    const app_entry& entry = folder_.entries[i];
    return {entry.name, entry.directory, level_ == 0, entry.size};
  }

  void compress_into_memory(size_t i) {
    job& j = jobs_[i];
    try {
      j.data.reserve((size_t)folder_.entries[i].size);
      j.outcome = compress_file(folder_.entries[i].disk_path, folder_.entries[i].size, level_,
                                [&](const char* bytes, size_t length) { return j.data.append(bytes, length), true; },
                                j.result);
    } catch (const std::bad_alloc&) {
      j.outcome = read_outcome::stopped;
      j.out_of_memory = true;
    }
  }

  // The first file waiting, in the folder's order, within the window ahead
  // of the writing; jobs_.size() when there is none now.
  size_t next_waiting() {
    while (scan_ < jobs_.size() && (jobs_[scan_].stage != job::stage::waiting || !buffered(scan_))) scan_++;
    return scan_ < jobs_.size() && scan_ < written_ + window_ ? scan_ : jobs_.size();
  }

  // Compresses job i with the lock let go meanwhile.
  void take(size_t i, std::unique_lock<std::mutex>& hold) {
    jobs_[i].stage = job::stage::taken;
    hold.unlock();
    compress_into_memory(i);
    hold.lock();
    jobs_[i].stage = job::stage::done;
    changed_.notify_all();
  }

  // The threads take the files waiting, in the folder's order.
  void work() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_) {
      size_t i = next_waiting();
      if (i < jobs_.size())
        take(i, hold);
      else if (scan_ == jobs_.size())
        return;
      else
        changed_.wait(hold);
    }
  }

  // The file's compressed bytes. The writing thread compresses it itself when
  // no thread has taken it yet, and while a thread has, the next one waiting:
  // it never sits idle while there is work.
  job& wait_for(size_t i) {
    std::unique_lock<std::mutex> hold(lock_);
    job& j = jobs_[i];
    if (j.stage == job::stage::waiting) take(i, hold);
    while (j.stage != job::stage::done) {
      size_t next = next_waiting();
      if (next < jobs_.size())
        take(next, hold);
      else
        changed_.wait(hold);
    }
    return j;
  }

  zip_outcome output_trouble() {
    if (out_.write_failed) {
      problem_ = "cannot write the output";
      return zip_outcome::failed;
    }
    problem_ = "the archive would take more than " + std::to_string(out_.limit) +
               " bytes, which its 32-bit length field cannot hold";
    return zip_outcome::refused;
  }

  zip_outcome read_trouble(size_t i, const job& j) {
    const std::string path = utf8_of(folder_.entries[i].disk_path);
    if (j.out_of_memory) {
      problem_ = "not enough memory to pack " + path;
      return zip_outcome::failed;
    }
    if (j.outcome == read_outcome::stopped) return output_trouble();
    problem_ = j.outcome == read_outcome::changed ? path + " changed while it was being packed" : "cannot read " + path;
    return zip_outcome::refused;
  }

  // One entry in the folder's order: its local header, data and descriptor.
  zip_outcome write_entry(size_t i, std::string& directory, const std::function<void(const zip_counts&)>& progress,
                          zip_counts& counts) {
    const app_entry& entry = folder_.entries[i];
    if (entry.size > largest_entry) {
      problem_ = utf8_of(entry.disk_path) + " has 4 GiB or more, more than an entry of the archive holds";
      return zip_outcome::refused;
    }
    const zip_entry_header header = header_of(i);
    const uint64_t offset = out_.written;
    if (!out_.put(local_header(header))) return output_trouble();
    compressed_file result;
    if (!entry.directory) {
      if (buffered(i)) {
        job& j = wait_for(i);
        if (j.outcome != read_outcome::read) return read_trouble(i, j);
        if (!out_.put(j.data)) return output_trouble();
        result = j.result;
        std::string().swap(j.data);
      } else {
        job streamed;
        // A file too big to hold is shown going as it goes: it takes a while.
        auto put = [&](const char* bytes, size_t length) {
          if (!out_.put(bytes, length)) return false;
          if (progress) progress({counts.files, counts.bytes_in + streamed.result.size, out_.written});
          return true;
        };
        streamed.outcome = compress_file(entry.disk_path, entry.size, level_, put, streamed.result);
        if (streamed.outcome != read_outcome::read) return read_trouble(i, streamed);
        result = streamed.result;
      }
      if (!out_.put(data_descriptor(result.crc, result.compressed_size, result.size))) return output_trouble();
      counts.files++;
      counts.bytes_in += result.size;
    }
    directory += central_record(header, result.crc, result.compressed_size, offset);
    counts.bytes_out = out_.written;
    return zip_outcome::written;
  }

  zip_outcome write_entries(uint64_t alignment, const std::function<void(const zip_counts&)>& progress,
                            zip_counts& counts) {
    std::string directory;
    try {
      for (size_t i = 0; i < jobs_.size(); i++) {
        zip_outcome outcome = write_entry(i, directory, progress, counts);
        if (outcome != zip_outcome::written) return outcome;
        {
          std::lock_guard<std::mutex> hold(lock_);
          written_ = i + 1;
        }
        changed_.notify_all();
        if (progress) progress(counts);
      }
    } catch (const std::bad_alloc&) {
      problem_ = "not enough memory for the archive's directory";
      return zip_outcome::failed;
    }
    const uint64_t directory_offset = out_.written, entries = jobs_.size();
    uint64_t length = directory_offset + directory.size() + end_records_size(entries, directory_offset, directory.size());
    auto padding = (uint16_t)((alignment - length % alignment) % alignment);
    if (!out_.put(directory) || !out_.put(end_records(entries, directory_offset, directory.size(), padding)))
      return output_trouble();
    counts.bytes_out = out_.written;
    return zip_outcome::written;
  }

  const app_folder& folder_;
  const int level_;
  sink& out_;
  std::string& problem_;
  std::vector<job> jobs_;
  std::mutex lock_;
  std::condition_variable changed_;
  size_t written_ = 0, scan_ = 0, window_ = 1;
  bool stopping_ = false;
};

}  // namespace

int machine_threads() {
  unsigned threads = std::thread::hardware_concurrency();
  return threads > 0 ? (int)threads : 1;
}

zip_outcome write_app_zip(std::FILE* out, const app_folder& folder, int level, int threads, int64_t limit,
                          uint64_t alignment, const std::function<void(const zip_counts&)>& progress,
                          zip_counts& counts, std::string& problem) {
  counts = {};
  sink target{out, limit};
  return zip_writer(folder, level, target, problem).write(threads, alignment, progress, counts);
}
