// Runs a fuzz target without libFuzzer, for the normal test suite built with any compiler:
// every kept corpus file first, then inputs mutated from them with a fixed seed for a bounded
// number of rounds or seconds, whichever ends first. A failed invariant aborts, as under
// libFuzzer.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void run(const Bytes& input) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

Bytes mutated(const std::vector<Bytes>& corpus, std::mt19937_64& random) {
    Bytes input = corpus.empty() ? Bytes{} : corpus[random() % corpus.size()];
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits; ++i) {
        const size_t at = input.empty() ? 0 : random() % (input.size() + 1);
        switch (random() % 6) {
            case 0:
                if (at < input.size())
                    input[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:
                input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<uint8_t>(random()));
                break;
            case 2:
                if (at < input.size())
                    input.erase(input.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 3: {
                // Characters the parsers treat specially.
                static const uint8_t special[] = {';', '=', '_', ' ', '\'', '"',
                                                  0,   ',', '.', '-', '+',  0xff};
                input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                             special[random() % sizeof special]);
                break;
            }
            case 4:
                if (!corpus.empty()) {
                    const Bytes& other = corpus[random() % corpus.size()];
                    input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), other.begin(),
                                 other.begin() + static_cast<std::ptrdiff_t>(
                                                     other.empty() ? 0 : random() % other.size()));
                }
                break;
            default:
                input.resize(at);
                break;
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [ROUNDS] [SECONDS]\n", argv[0]);
        return 2;
    }
    const long rounds = argc > 2 ? std::atol(argv[2]) : 200000;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 5.0;

    std::vector<Bytes> corpus;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        corpus.emplace_back(bytes.begin(), bytes.end());
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "empty corpus in %s\n", argv[1]);
        return 1;
    }
    for (const Bytes& input : corpus)
        run(input);

    std::mt19937_64 random(0x5eed'7a6b'0001ULL);
    QElapsedTimer timer;
    timer.start();
    long done = 0;
    while (done < rounds && timer.elapsed() < static_cast<qint64>(seconds * 1000)) {
        run(mutated(corpus, random));
        ++done;
    }
    std::printf("replayed %zu corpus files and %ld mutated inputs in %lld ms\n", corpus.size(),
                done, static_cast<long long>(timer.elapsed()));
    return 0;
}
