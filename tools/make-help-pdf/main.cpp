// make-help-pdf: turns the help pages (Markdown, in the order given) into the program's help
// document, an A4 PDF. Every picture a page names must load, and the result must be a PDF with at
// least one page; otherwise the tool fails, so a broken help document never reaches an install.
//
//   make-help-pdf --base DIR [--title TEXT] [--version TEXT] -o OUT.pdf PAGE.md...
//
// Pictures are found relative to DIR. "@VERSION@" in a page becomes the --version text. Every page
// file after the first starts on a new sheet.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>

namespace {

constexpr int kResolution = 300;    // dots per inch of the PDF's coordinate space
constexpr qreal kMarginMm = 18.0;

int Fail(const QString& message) {
  std::fprintf(stderr, "make-help-pdf: %s\n", qPrintable(message));
  return 1;
}

// The heading that opens a page file begins a new sheet. Markdown has no page breaks of its own, so
// these headings are found again by their text, noted while the pages were joined.
void BreakBeforeFirstHeadings(QTextDocument& document, const QStringList& firstHeadings) {
  int next = 1;  // the first page file starts the document anyway
  for (QTextBlock block = document.begin(); block.isValid() && next < firstHeadings.size(); block = block.next()) {
    if (block.blockFormat().headingLevel() == 0 || block.text().trimmed() != firstHeadings.at(next)) continue;
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.setBlockFormat(format);
    ++next;
  }
}

// The text of a page file's first heading ("# Marking the card" gives "Marking the card").
QString FirstHeading(const QString& markdown) {
  for (const QString& line : markdown.split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1Char('#'))) {
      QString text = line;
      while (text.startsWith(QLatin1Char('#'))) text.remove(0, 1);
      return text.trimmed();
    }
  }
  return {};
}

// Loads every picture the document names and keeps it in the document itself: printing lays out a
// copy of the document, which finds pictures only among the document's own resources, not through
// its base address. Returns the names of those that could not be loaded.
QStringList LoadImages(QTextDocument& document) {
  QStringList missing;
  int images = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      const QString name = format.toImageFormat().name();
      const QVariant image = document.resource(QTextDocument::ImageResource, QUrl(name));
      const QImage loaded = image.value<QImage>();
      if (!image.isValid() || loaded.isNull()) {
        missing << name;
      } else {
        document.addResource(QTextDocument::ImageResource, QUrl(name), loaded);
        ++images;
      }
    }
  }
  std::printf("make-help-pdf: %d pictures\n", images);
  return missing;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  QString base, title = QStringLiteral("Help"), version, output;
  QStringList pages;
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args.at(i);
    auto value = [&]() -> QString { return i + 1 < args.size() ? args.at(++i) : QString(); };
    if (a == QLatin1String("--base")) base = value();
    else if (a == QLatin1String("--title")) title = value();
    else if (a == QLatin1String("--version")) version = value();
    else if (a == QLatin1String("-o")) output = value();
    else pages << a;
  }
  if (output.isEmpty() || pages.isEmpty()) {
    return Fail(QStringLiteral("usage: make-help-pdf --base DIR [--title T] [--version V] -o OUT.pdf PAGE.md..."));
  }

  QString markdown;
  QStringList firstHeadings;
  for (const QString& page : pages) {
    QFile file(page);
    if (!file.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read %1").arg(page));
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("@VERSION@"), version);
    firstHeadings << FirstHeading(text);
    if (!markdown.isEmpty()) markdown += QLatin1String("\n\n");
    markdown += text;
  }

  QTextDocument document;
  if (base.isEmpty()) base = QFileInfo(pages.front()).absolutePath();
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(base).absoluteFilePath() + QLatin1Char('/')));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(10.5);
  document.setDefaultFont(font);
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  BreakBeforeFirstHeadings(document, firstHeadings);

  const QStringList missing = LoadImages(document);
  if (!missing.isEmpty()) return Fail(QStringLiteral("pictures not found: %1").arg(missing.join(QStringLiteral(", "))));

  {
    QPdfWriter writer(output);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("make-help-pdf"));
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    document.print(&writer);
  }

  QFile result(output);
  if (!result.open(QIODevice::ReadOnly) || result.size() < 1024 || !result.read(5).startsWith("%PDF-")) {
    return Fail(QStringLiteral("%1 was not written as a PDF").arg(output));
  }
  result.seek(0);
  const int sheets = static_cast<int>(result.readAll().count("/Type /Page\n") + 0);
  std::printf("make-help-pdf: %s, %d pages\n", qPrintable(output), sheets);
  return 0;
}
