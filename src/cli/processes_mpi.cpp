// The processes of an MPI job making one simulation. Process k makes the repeats k, k + N,
// k + 2N, ... (run order), so every process gets the same mix of pulse counts and noise
// levels and the parts take about equally long. Nothing is exchanged while the run goes
// on but a stop; at the end one reduction adds up the sums of the grid points (integers,
// so the total is exact in any order) and process 0 gathers the messages of the repeats
// to show them in run order.
#include <mpi.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/processes.h"

namespace velmora::cli {

bool mpiBuilt() { return true; }

namespace {

constexpr int kStopTag = 1;
// How often a process looks for a stop from the others.
constexpr std::chrono::milliseconds kStopPoll{20};

static_assert(std::is_standard_layout_v<GridPointSums> && sizeof(GridPointSums) == 3 * sizeof(int64_t),
              "the sums travel as three 64-bit integers");

extern "C" void addSumsOp(void* in, void* inout, int* count, MPI_Datatype* /*type*/) {
  const GridPointSums* from = static_cast<const GridPointSums*>(in);
  GridPointSums* to = static_cast<GridPointSums*>(inout);
  for (int k = 0; k < *count; ++k) addGridPointSums(to[k], from[k]);
}

// The messages of the repeats made here, in the bytes process 0 gathers.
class Bytes {
 public:
  template <typename T>
  void put(T value) {
    const char* p = reinterpret_cast<const char*>(&value);
    data.append(p, sizeof value);
  }
  void putText(const std::string& text) {
    put<uint64_t>(text.size());
    data += text;
  }
  std::string data;
};

class Reader {
 public:
  Reader(const char* begin, const char* end) : p_(begin), end_(end) {}
  bool more() const { return p_ < end_; }
  template <typename T>
  T get() {
    T value{};
    if (end_ - p_ >= static_cast<std::ptrdiff_t>(sizeof value)) std::memcpy(&value, p_, sizeof value);
    p_ += std::min<std::ptrdiff_t>(end_ - p_, sizeof value);
    return value;
  }
  std::string getText() {
    const uint64_t size = std::min<uint64_t>(get<uint64_t>(), static_cast<uint64_t>(end_ - p_));
    std::string text(p_, p_ + size);
    p_ += size;
    return text;
  }

 private:
  const char* p_;
  const char* end_;
};

struct RepeatMessages {
  int64_t repeat = 0;
  bool failed = false;
  std::vector<Message> messages;
};

class MpiProcesses final : public Processes, public SimulationShare {
 public:
  MpiProcesses(int& argc, char**& argv) {
    int provided = 0;
    // Only the thread that runs the driver talks to MPI; the processing threads never do.
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    MPI_Comm_dup(MPI_COMM_WORLD, &comm_);
    MPI_Comm_rank(comm_, &rank_);
    MPI_Comm_size(comm_, &size_);
    MPI_Type_contiguous(3, MPI_INT64_T, &sumsType_);
    MPI_Type_commit(&sumsType_);
    MPI_Op_create(&addSumsOp, 1, &sumsOp_);
    stopReceived_.assign(static_cast<size_t>(size_), false);
  }
  ~MpiProcesses() override {
    MPI_Op_free(&sumsOp_);
    MPI_Type_free(&sumsType_);
    MPI_Comm_free(&comm_);
    MPI_Finalize();
  }

  int rank() const override { return rank_; }
  int size() const override { return size_; }

  unsigned defaultThreads() const override {
    cpu_set_t set;
    CPU_ZERO(&set);
    const int allowed = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    const int local = std::max(launchFromEnvironment().localSize, 1);
    // A process bound to its own cores uses them all; processes that may all run
    // everywhere divide the machine among them.
    long threads = online > 0 ? online / local : 1;
    if (allowed > 0) threads = std::min<long>(threads, allowed);
    return static_cast<unsigned>(std::max<long>(threads, 1));
  }

  SimulationShare& share() override { return *this; }
  SimulationObserver& observer(SimulationObserver* inner) override {
    observer_.inner = inner;
    return observer_;
  }
  bool interrupted() const override { return interrupted_; }

  // SimulationShare.
  bool takes(int64_t repeat) const override { return repeat % size_ == rank_; }

  void repeatDone(int64_t repeat, bool failed, const std::vector<Message>& messages) override {
    if (!messages.empty() || failed) kept_.push_back({repeat, failed, messages});
    if (failed) {
      failedAt_ = std::min(failedAt_, repeat);
      tellOthersToStop();
    }
  }

  bool combine(Reporter& reporter, std::vector<GridPointSums>& sums, bool completed) override {
    // Every process brings a table of the same size, also one whose part failed before it
    // had one.
    uint64_t points = sums.size();
    MPI_Allreduce(MPI_IN_PLACE, &points, 1, MPI_UINT64_T, MPI_MAX, comm_);
    sums.resize(points);
    for (uint64_t done = 0; done < points;) {
      const int count = static_cast<int>(std::min<uint64_t>(points - done, 1u << 20));
      MPI_Allreduce(MPI_IN_PLACE, sums.data() + done, count, sumsType_, sumsOp_, comm_);
      done += static_cast<uint64_t>(count);
    }

    int64_t failedAt = failedAt_;
    MPI_Allreduce(MPI_IN_PLACE, &failedAt, 1, MPI_INT64_T, MPI_MIN, comm_);
    int flags[2] = {completed ? 0 : 1, observer_.interrupted ? 1 : 0};
    MPI_Allreduce(MPI_IN_PLACE, flags, 2, MPI_INT, MPI_MAX, comm_);
    const bool failed = failedAt != kNone;
    interrupted_ = flags[1] != 0 && !failed;

    showMessages(reporter, failedAt);
    finishStops();
    return !failed && flags[0] == 0;
  }

 private:
  static constexpr int64_t kNone = INT64_MAX;

  struct StoppingObserver : SimulationObserver {
    explicit StoppingObserver(MpiProcesses* owner) : job(owner) {}
    MpiProcesses* job;
    SimulationObserver* inner = nullptr;
    bool interrupted = false;
    std::chrono::steady_clock::time_point lastPoll{};
    bool repeatDone(const SimulationProgress& progress) override {
      if (inner != nullptr && !inner->repeatDone(progress)) {
        interrupted = true;
        job->tellOthersToStop();
        return false;
      }
      return !job->stoppedByOthers();
    }
  };

  void tellOthersToStop() {
    if (stopsSent_) return;
    stopsSent_ = true;
    stopRequests_.reserve(static_cast<size_t>(size_));
    for (int r = 0; r < size_; ++r) {
      if (r == rank_) continue;
      stopRequests_.emplace_back();
      MPI_Isend(&stopToken_, 1, MPI_INT, r, kStopTag, comm_, &stopRequests_.back());
    }
  }

  bool stoppedByOthers() {
    const auto now = std::chrono::steady_clock::now();
    if (stopped_ || now - observer_.lastPoll < kStopPoll) return stopped_;
    observer_.lastPoll = now;
    int arrived = 0;
    MPI_Status status;
    MPI_Iprobe(MPI_ANY_SOURCE, kStopTag, comm_, &arrived, &status);
    if (arrived) {
      receiveStop(status.MPI_SOURCE);
      stopped_ = true;
    }
    return stopped_;
  }

  void receiveStop(int source) {
    int token = 0;
    MPI_Recv(&token, 1, MPI_INT, source, kStopTag, comm_, MPI_STATUS_IGNORE);
    stopReceived_[static_cast<size_t>(source)] = true;
  }

  // Receives every stop sent to this process and completes the ones it sent, so that no
  // message is left in flight when MPI stops.
  void finishStops() {
    int sent = stopsSent_ ? 1 : 0;
    std::vector<int> senders(static_cast<size_t>(size_));
    MPI_Allgather(&sent, 1, MPI_INT, senders.data(), 1, MPI_INT, comm_);
    for (int r = 0; r < size_; ++r)
      if (r != rank_ && senders[static_cast<size_t>(r)] && !stopReceived_[static_cast<size_t>(r)])
        receiveStop(r);
    if (!stopRequests_.empty())
      MPI_Waitall(static_cast<int>(stopRequests_.size()), stopRequests_.data(), MPI_STATUSES_IGNORE);
    stopRequests_.clear();
  }

  // Process 0 reports the messages of every process's repeats in run order, up to and with
  // the first repeat that failed, as one process would have reported them.
  void showMessages(Reporter& reporter, int64_t failedAt) {
    Bytes bytes;
    for (const RepeatMessages& r : kept_) {
      bytes.put<int64_t>(r.repeat);
      bytes.put<uint8_t>(r.failed ? 1 : 0);
      bytes.put<uint64_t>(r.messages.size());
      for (const Message& m : r.messages) {
        bytes.putText(m.text);
        bytes.putText(m.caption.value_or(std::string()));
        bytes.put<uint8_t>(m.caption ? 1 : 0);
        bytes.put<uint8_t>(static_cast<uint8_t>(m.kind));
      }
    }
    kept_.clear();
    int mine = static_cast<int>(std::min<size_t>(bytes.data.size(), INT_MAX));
    std::vector<int> sizes(rank_ == 0 ? static_cast<size_t>(size_) : 0);
    MPI_Gather(&mine, 1, MPI_INT, sizes.data(), 1, MPI_INT, 0, comm_);
    std::vector<int> offsets(sizes.size());
    int64_t total = 0;
    for (size_t r = 0; r < sizes.size(); ++r) {
      offsets[r] = static_cast<int>(std::min<int64_t>(total, INT_MAX));
      total += sizes[r];
    }
    // Beyond 2 GiB of messages the later parts are left out.
    for (size_t r = 0; r < sizes.size(); ++r)
      if (int64_t{offsets[r]} + sizes[r] > INT_MAX) sizes[r] = 0;
    std::string all(rank_ == 0 ? static_cast<size_t>(std::min<int64_t>(total, INT_MAX)) : 0, '\0');
    MPI_Gatherv(bytes.data.data(), mine, MPI_BYTE, all.data(), sizes.data(), offsets.data(),
                MPI_BYTE, 0, comm_);
    if (rank_ != 0) return;

    std::vector<RepeatMessages> repeats;
    Reader in(all.data(), all.data() + all.size());
    while (in.more()) {
      RepeatMessages r;
      r.repeat = in.get<int64_t>();
      r.failed = in.get<uint8_t>() != 0;
      const uint64_t count = in.get<uint64_t>();
      for (uint64_t k = 0; k < count && in.more(); ++k) {
        Message m;
        m.text = in.getText();
        std::string caption = in.getText();
        if (in.get<uint8_t>() != 0) m.caption = std::move(caption);
        m.kind = static_cast<MessageKind>(in.get<uint8_t>());
        r.messages.push_back(std::move(m));
      }
      repeats.push_back(std::move(r));
    }
    std::stable_sort(repeats.begin(), repeats.end(),
                     [](const RepeatMessages& a, const RepeatMessages& b) { return a.repeat < b.repeat; });
    for (const RepeatMessages& r : repeats) {
      if (r.repeat > failedAt || (r.repeat == failedAt && !r.failed)) continue;
      for (const Message& m : r.messages) reporter.report(m);
    }
  }

  MPI_Comm comm_ = MPI_COMM_NULL;
  int rank_ = 0;
  int size_ = 1;
  MPI_Datatype sumsType_ = MPI_DATATYPE_NULL;
  MPI_Op sumsOp_ = MPI_OP_NULL;

  StoppingObserver observer_{this};
  std::vector<RepeatMessages> kept_;
  int64_t failedAt_ = kNone;
  bool interrupted_ = false;
  bool stopped_ = false;
  bool stopsSent_ = false;
  int stopToken_ = 1;
  std::vector<MPI_Request> stopRequests_;
  std::vector<bool> stopReceived_;
};

}  // namespace

std::unique_ptr<Processes> startProcesses(int& argc, char**& argv) {
  return std::make_unique<MpiProcesses>(argc, argv);
}

}  // namespace velmora::cli
