// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target over files, as the fuzzer would, without the fuzzer:
// the corpora of the fuzz targets become regression tests of the normal
// build.   <program> <file or folder>...
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

int replay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                           std::size_t(bytes.size()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    int failures = 0;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                failures += replay(it.next());
                ++files;
            }
        } else {
            failures += replay(path);
            ++files;
        }
    }
    std::printf("replayed %d files\n", files);
    return failures == 0 && files > 0 ? 0 : 1;
}
