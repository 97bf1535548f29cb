// The photo list on large folders, in the real window (offscreen):
//
//   bench_main_window [photos-to-list] [photos-to-select]
//                     (defaults 100000 and 10000)
//
// 1. Listing: LoadFiles on a folder of empty *.jpg files (names like a
//    camera's, 23 bytes), its time and the heap it takes per photo beyond
//    the file name itself; beside it, in the same run, Qt's own directory
//    listing with a name filter, `ls -f` and `find -iname`.
// 2. Select All: Select_allExecute on a folder of photos, ending state
//    checked; beside it the view's own selectAll() and, on 500 photos,
//    the item-by-item way with a count after every item.
// The folders are made in a temporary folder and deleted at the end.

#include "main/MainWindow.h"
#include "main/MyListView.h"
#include "main/PhotoListModel.h"
#include "main/StatusBar.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellTreeView.h"
#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProgressBar>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

size_t HeapInUse() { return mallinfo2().uordblks; }

void MakePhotos(const fs::path& dir, int n)
{
    fs::create_directories(dir);
    char name[64];
    for (int i = 0; i < n; ++i) {
        std::snprintf(name, sizeof name, "IMG_20240101_%06d.jpg", i);
        int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
}

double TimeCommand(const std::string& command)
{
    auto t0 = Clock::now();
    const int rc = support::RunProcess({"sh", "-c", command}, support::ProcessOptions::Quiet()).status;
    auto t1 = Clock::now();
    return rc == 0 ? Ms(t0, t1) : -1.0;
}

template <typename F>
double BestOf(int runs, F&& f)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        f();
        best = std::min(best, Ms(t0, Clock::now()));
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int listCount = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int selectCount = argc > 2 ? std::atoi(argv[2]) : 10000;

    const support::ScratchFolder scratch;
    const fs::path root = scratch.Path();
    for (const char* sub : {"home/Desktop", "config", "temp"})
        fs::create_directories(root / sub);
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("TEMP", (root / "temp").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication app(qargc, qargv);
    {
        platform::TRegistry reg;
        reg.OpenKey(true);
        reg.WriteString("Language", "EN");
    }

    const fs::path big = root / "big";
    const fs::path sel = root / "select";
    const fs::path small = root / "small";
    std::printf("making %d + %d + 500 empty photos in %s ...\n", listCount, selectCount, root.c_str());
    MakePhotos(big, listCount);
    MakePhotos(sel, selectCount);
    MakePhotos(small, 500);

    {
        TForm1 form;
        form.show();
        while (!form.Activated())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form.ShellTreeView1->FlushChange();
        QApplication::processEvents();

        // ---- Listing ----
        form.ShellTreeView1->SetPath(QString::fromStdString(big.string()));
        form.ShellTreeView1->FlushChange();
        QApplication::processEvents();
        form.ShellTreeView1->SetPath(QString::fromStdString((root / "home").string()));
        form.LoadFiles();  // an empty folder: the baseline
        QApplication::processEvents();
        form.ShellTreeView1->SetPath(QString::fromStdString(big.string()));
        const size_t before = HeapInUse();
        const double loadMs = BestOf(1, [&] { form.LoadFiles(); });
        const size_t after = HeapInUse();
        size_t nameBytes = 0;
        for (const auto& n : form.FileNames)
            nameBytes += n.size() + 1 > 16 ? n.size() + 1 : 0;  // short names live inside the string
        const double loadBest = BestOf(3, [&] { form.LoadFiles(); });
        auto t0 = Clock::now();
        form.ListView1->doItemsLayout();
        form.ListView1->viewport()->repaint();
        const double layoutMs = Ms(t0, Clock::now());
        const double qdirMs = BestOf(3, [&] {
            QDir d(QString::fromStdString(big.string()));
            volatile qsizetype k = d.entryList({QStringLiteral("*.jpg")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                               QDir::NoSort).size();
            (void)k;
        });
        const double lsMs = TimeCommand("ls -f '" + big.string() + "'");
        const double findMs = TimeCommand("find '" + big.string() + "' -maxdepth 1 -iname '*.jpg'");
        const long perPhoto = static_cast<long>(after - before) / std::max(1, form.PhotoCount());
        const long beyondName = static_cast<long>(after - before - nameBytes) / std::max(1, form.PhotoCount());

        std::printf("\nListing %d photos (goal: under 1000 ms, under 200 bytes per photo beyond its name)\n",
                    form.PhotoCount());
        std::printf("  %-34s %9.1f ms (first run %.1f ms)\n", "LoadFiles, best of 3", loadBest, loadMs);
        std::printf("  %-34s %9ld bytes per photo, %ld beyond the name\n", "heap taken by LoadFiles", perPhoto,
                    beyondName);
        std::printf("  %-34s %9.1f ms\n", "first layout and paint of the list", layoutMs);
        std::printf("  %-34s %9.1f ms\n", "peer: QDir::entryList(*.jpg)", qdirMs);
        std::printf("  %-34s %9.1f ms\n", "peer: ls -f", lsMs);
        std::printf("  %-34s %9.1f ms\n", "peer: find -maxdepth 1 -iname", findMs);

        // ---- Select All ----
        form.ShellTreeView1->SetPath(QString::fromStdString(sel.string()));
        form.ShellTreeView1->FlushChange();
        QApplication::processEvents();
        const double selectMs = BestOf(1, [&] { form.Select_allExecute(); });
        const bool stateOk = form.ListView1->SelectedCount() == selectCount
                             && form.StatusText() == QString::number(selectCount) + " files selected"
                             && form.A_rename->isEnabled() && form.ProgressBar1->value() == 0;
        double selectBest = 1e300;
        for (int r = 0; r < 3; ++r) {
            form.Select_noneExecute();
            QApplication::processEvents();
            selectBest = std::min(selectBest, BestOf(1, [&] { form.Select_allExecute(); }));
        }
        form.Select_noneExecute();
        const double viewMs = BestOf(1, [&] { form.ListView1->selectAll(); });

        // The item-by-item way on 500 photos: select one, count them all.
        form.ShellTreeView1->SetPath(QString::fromStdString(small.string()));
        form.ShellTreeView1->FlushChange();
        QApplication::processEvents();
        QObject::disconnect(form.ListView1->selectionModel(), nullptr, &form, nullptr);
        auto* selection = form.ListView1->selectionModel();
        const double literalMs = BestOf(1, [&] {
            for (int i = 0; i < form.PhotoCount(); ++i) {
                selection->select(form.ListModel->index(i), QItemSelectionModel::Select);
                int k = 0;
                for (int j = 0; j < form.PhotoCount(); ++j)
                    k += selection->isSelected(form.ListModel->index(j)) ? 1 : 0;
                form.SetStatusText(QString::number(k));
            }
        });

        std::printf("\nSelect All on %d photos (goal: under 1000 ms, ending with the count, Rename on, progress 0)\n",
                    selectCount);
        std::printf("  %-34s %9.1f ms (first run %.1f ms), end state %s\n", "Select_allExecute, best of 3",
                    selectBest, selectMs, stateOk ? "right" : "WRONG");
        std::printf("  %-34s %9.1f ms\n", "peer: QListView::selectAll()", viewMs);
        std::printf("  %-34s %9.1f ms (500 photos)\n", "item by item, counting each time", literalMs);
    }

    return 0;
}
