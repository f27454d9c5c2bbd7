// The text the rich-text page shows of an RTF file, as UTF-8 on standard
// output: paragraph ends and line breaks as line ends. For comparing with a
// reference converter's text (bench/rtf_reference.sh).
//
//   bench_rtftext FILE      exit status 2 when the file is not valid RTF
#include "RtfReader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: bench_rtftext FILE\n");
        return 1;
    }
    QFile f(args[1]);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(args[1]));
        return 1;
    }
    const std::optional<RtfReader::Document> doc = RtfReader::read(f.readAll());
    if (!doc) return 2;
    QString text = doc->plainText();
    text.replace(QChar::LineSeparator, u'\n');
    const QByteArray out = text.toUtf8();
    return std::fwrite(out.constData(), 1, out.size(), stdout) == size_t(out.size()) ? 0 : 1;
}
