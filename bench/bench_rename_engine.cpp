// Ranking, same-day numbering and expansion with the date keys given, for
// 1,000, 10,000 and 100,000 selected photos, beside the pairwise ranking
// written out literally (run for the two smaller sizes only: it grows with
// the square of the count).

#include "rename/NamePattern.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace {

photarrtyp RandomPhotos(int n, std::mt19937& rng)
{
    photarrtyp photos(static_cast<std::size_t>(n));
    const int days = n / 40 + 1;
    char key[32];
    for (int i = 0; i < n; ++i) {
        const int day = static_cast<int>(rng() % days);
        std::snprintf(key, sizeof key, "%04d-%02d-%02d_%02d.%02d.%02d", 2000 + day / 336, 1 + day / 28 % 12,
                      1 + day % 28, static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                      static_cast<int>(rng() % 30) * 2);
        photos[static_cast<std::size_t>(i)].FileName = "IMG_" + std::to_string(i) + ".JPG";
        photos[static_cast<std::size_t>(i)].DateKey = key;
    }
    return photos;
}

void PairwiseRank(photarrtyp& photos)
{
    for (auto& p : photos)
        p.TieCounted = false;
    for (auto& pi : photos) {
        int counter = 1;
        for (auto& pj : photos) {
            if (pi.DateKey > pj.DateKey)
                ++counter;
            if (pi.DateKey == pj.DateKey && !pj.TieCounted) {
                ++counter;
                pi.TieCounted = true;
            }
        }
        pi.Rank = counter - 1;
        pi.DayNumber = 1;
    }
}

template <class F>
double BestSeconds(int repeats, F&& f)
{
    double best = 1e30;
    for (int r = 0; r < repeats; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, s);
    }
    return best;
}

} // namespace

int main()
{
    std::mt19937 rng(2006);
    std::printf("Name computation, date keys given (best of 3)\n");
    std::printf("%10s %14s %14s %16s\n", "photos", "\"Photo *\"", "\"Trip ?_*\"", "pairwise rank");
    for (int n : {1000, 10000, 100000}) {
        const photarrtyp base = RandomPhotos(n, rng);
        const std::vector<bool> selected(static_cast<std::size_t>(n), true);
        std::size_t sink = 0;
        const double number = BestSeconds(3, [&] {
            photarrtyp photos = base;
            sink += NamesFromDateKeys(photos, selected, "Photo *").size();
        });
        const double day = BestSeconds(3, [&] {
            photarrtyp photos = base;
            sink += NamesFromDateKeys(photos, selected, "Trip ?_*").size();
        });
        char pairwise[32] = "(skipped)";
        if (n <= 10000) {
            const double s = BestSeconds(1, [&] {
                photarrtyp photos = base;
                PairwiseRank(photos);
                sink += static_cast<std::size_t>(photos[0].Rank);
            });
            std::snprintf(pairwise, sizeof pairwise, "%.4f s", s);
        }
        std::printf("%10d %12.4f s %12.4f s %16s\n", n, number, day, pairwise);
        if (sink == 0)
            std::printf("?\n");
    }
    return 0;
}
