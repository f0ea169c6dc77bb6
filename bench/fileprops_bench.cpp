// Speed of the properties dialog's model: the pattern engine per row, the
// whole-list name preview and the sorts. Goals: at least 1,000,000 pattern
// rows per second; a sort of 10,000 rows under 100 ms.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "fileprops/filelist.h"
#include "fileprops/namerules.h"

using namespace kivu;

namespace {

std::string Texts(int n) { return std::to_string(n); }

// Files whose stamps are a fixed pseudo-random function of their names.
class StampOps : public FileOps {
public:
    bool Move(const std::string&, const std::string&) override { return true; }
    std::vector<std::string> ListFolder(const std::string&) override { return {}; }
    uint32_t GetAttributes(const std::string&) override { return kAttrArchive; }
    bool SetAttributes(const std::string&, uint32_t) override { return true; }
    bool GetLastWrite(const std::string&, FileStamp& lastWrite) override { return lastWrite = 0, true; }
    FileHandle OpenForStampRead(const std::string& path) override {
        last_ = std::hash<std::string>()(path);
        return 1;
    }
    FileHandle OpenForStampWrite(const std::string& path) override { return OpenForStampRead(path); }
    bool GetStamps(FileHandle, FileStamps& s) override {
        // Somewhere in 2000-2010, on whole seconds.
        const FileStamp t = (FileStamp(12591158400) + last_ % (FileStamp(3600) * 24 * 365 * 10)) * 10000000;
        s = FileStamps{t, t, t};
        return true;
    }
    bool SetStamps(FileHandle, const FileStamp*, const FileStamp*, const FileStamp*) override { return true; }
    void Close(FileHandle) override {}
    bool ToLocal(FileStamp utc, FileStamp& local) override { return local = utc, true; }
    bool ToUtc(FileStamp local, FileStamp& utc) override { return utc = local, true; }
    bool ToCalendar(FileStamp stamp, CalTime& t) override {
        // Good enough for a benchmark: days since 1601 folded into 2000-2010.
        const uint64_t secs = stamp / 10000000;
        const uint64_t days = secs / 86400;
        t = CalTime{};
        t.year = uint16_t(2000 + days % 11);
        t.month = uint16_t(1 + days / 11 % 12);
        t.day = uint16_t(1 + days / 132 % 28);
        t.hour = uint16_t(secs / 3600 % 24);
        t.minute = uint16_t(secs / 60 % 60);
        t.second = uint16_t(secs % 60);
        return true;
    }
    bool FromCalendar(const CalTime&, FileStamp& stamp) override { return stamp = 0, true; }
    void Beep(unsigned) override {}

private:
    size_t last_ = 0;
};

std::vector<std::string> RandomNames(size_t n) {
    std::mt19937 rng(42);
    static const char* const kExt[] = {".txt", ".jpeg", ".doc", "", ".tar.gz", ".cfg"};
    std::vector<std::string> names;
    for (size_t i = 0; i < n; ++i) {
        std::string s;
        const int len = 3 + int(rng() % 20);
        for (int k = 0; k < len; ++k) s += char((rng() % 2 ? 'a' : 'A') + rng() % 26);
        names.push_back(s + kExt[rng() % 6]);
    }
    return names;
}

FileList ListOf(const std::vector<std::string>& names) {
    FileList list(Texts);
    for (const auto& n : names) list.AddPath("c:\\photos\\" + n);
    return list;
}

void BM_PatternEngine(benchmark::State& state) {
    PatternError err;
    int row = 0;
    for (auto _ : state) {
        std::string out = ApplyNamePattern("[Name]_[N:3:1][Ext]", "holiday_photo.jpeg", row++ & 1023, err);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("rows");
}
BENCHMARK(BM_PatternEngine);

void BM_PatternEngineRanged(benchmark::State& state) {
    PatternError err;
    int row = 0;
    for (auto _ : state) {
        std::string out =
            ApplyNamePattern("[Name(1,8)]-[Ext(2,4)]_[N:5:100][Ext]", "holiday_photo.jpeg", row++ & 1023, err);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("rows");
}
BENCHMARK(BM_PatternEngineRanged);

// The preview with its conflict check, against a folder that holds every listed file.
void BM_PreviewNames(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    FileList list = ListOf(RandomNames(rows));
    NameSet onDisk;
    for (const Row& r : list.Rows()) onDisk.insert(NameKey(r.fileName));
    list.SetFolderNames(std::move(onDisk));
    PreviewInput in;
    in.pattern = "[Name]_[N:3:1][Ext]";
    for (auto _ : state) benchmark::DoNotOptimize(Preview(list, in));
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetLabel("rows");
}
BENCHMARK(BM_PreviewNames)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The conflict check alone, over rows that the preview has filled.
void BM_Conflicts(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    FileList list = ListOf(RandomNames(rows));
    NameSet onDisk;
    for (const Row& r : list.Rows()) onDisk.insert(NameKey(r.fileName));
    PreviewInput in;
    in.pattern = "[Name]_[N:3:1][Ext]";
    Preview(list, in);
    for (auto _ : state) benchmark::DoNotOptimize(MarkConflicts(list, onDisk));
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_Conflicts)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A fresh random order each time, then one click on the column (the
// direction alternates from click to click).
void SortBench(benchmark::State& state, bool byDate) {
    StampOps ops;
    FileList list = ListOf(RandomNames(10000));
    if (byDate) list.DoChange(Mode::Date, {}, {}, "", ops);
    const RowList shuffled = list.Rows();
    const int column = byDate ? 1 : 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.Rows() = shuffled;
        state.ResumeTiming();
        list.ColumnClick(column, ops);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
    state.SetLabel("rows");
}

void BM_SortByName10000(benchmark::State& state) { SortBench(state, false); }
void BM_SortByDate10000(benchmark::State& state) { SortBench(state, true); }
BENCHMARK(BM_SortByName10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByDate10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
