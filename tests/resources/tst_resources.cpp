#include "corvela_resources.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

const QStringList kPrefixes{u":/console"_qs, u":/agent"_qs, u":/setup"_qs};

// The pixel size each artwork folder promises to the code that draws from it.
QSize PromisedSize(const QString& folder)
{
    if (folder == u"glyphs")
        return {16, 16};
    if (folder == u"flags" || folder == u"wait")
        return {32, 32};
    if (folder == u"icons")
        return {64, 64};
    if (folder == u"backgrounds")
        return {1920, 1080};
    return {};
}

QImage Render(QSvgRenderer& renderer, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

bool HasVisiblePixel(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitConsoleResources();
        InitAgentResources();
        InitSetupResources();
        for (const QString& prefix : kPrefixes)
            QVERIFY2(!QDir(prefix).entryList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot).isEmpty(),
                     qPrintable(prefix + u" is empty: resources not registered"_qs));
    }

    void artwork_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        for (const QString& prefix : kPrefixes) {
            QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                const QString folder = QFileInfo(path).dir().dirName();
                QTest::newRow(qPrintable(path)) << path << PromisedSize(folder);
            }
        }
    }
    void artwork()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QVERIFY2(size.isValid(), "artwork in a folder that promises no size");
        QVERIFY(path.endsWith(u".svg"_qs));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        // Plain shapes only: no text, styling, filters or anything fetched from elsewhere.
        for (const char* banned : {"<text", "<style", "style=", "<filter", "filter=", "<image", "<script",
                                   "<foreignObject", "href"})
            QVERIFY2(!svg.contains(banned), banned);

        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.defaultSize(), size);
        QCOMPARE(renderer.viewBoxF(), QRectF(QPointF(0, 0), QSizeF(size)));
        QVERIFY2(HasVisiblePixel(Render(renderer, size)), "renders to nothing");
    }

    void waitFrames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("console") << u":/console/wait"_qs;
        QTest::newRow("agent") << u":/agent/wait"_qs;
    }
    void waitFrames()
    {
        QFETCH(QString, folder);
        QStringList expected;
        for (int frame = 0; frame < 9; ++frame)
            expected << u"wait%1.svg"_qs.arg(frame);
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), expected);

        // Shown 0..8 and back again, so every step between neighbours must move something.
        QImage previous;
        for (const QString& name : expected) {
            QSvgRenderer renderer(folder + u'/' + name);
            QVERIFY(renderer.isValid());
            const QImage image = Render(renderer, {32, 32});
            if (!previous.isNull())
                QVERIFY2(image != previous, qPrintable(name + u" looks the same as the frame before"_qs));
            previous = image;
        }
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
