// Help: the operator's guide from the program's own resources, offscreen.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTextBlock>

#include "loopback_node.h"

namespace dx::test {
namespace {

TEST(Guide, HelpOpensTheOperatorsGuideWithEveryPictureAndLinkInThePrograms) {
    LoopbackNode node;
    RunningProgram program(node.port());
    EXPECT_EQ(program.app->guide(), nullptr);
    program.app->connects().menuHelp->trigger();
    ui::GuideWindow* guide = program.app->guide();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->windowTitle(), QStringLiteral("Operator's guide"));
    QTextDocument* document = guide->browser->document();
    EXPECT_TRUE(document->toPlainText().startsWith(QStringLiteral("The operator's guide")));

    QStringList pictures;
    QStringList links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) pictures << format.toImageFormat().name();
            if (format.isAnchor() && !links.contains(format.anchorHref())) links << format.anchorHref();
        }
    for (const char* picture : {"docs/images/monitor.png", "docs/images/connections.png"})
        EXPECT_TRUE(pictures.contains(QLatin1String(picture))) << picture;
    for (const QString& picture : pictures) {
        const QVariant data = guide->browser->loadResource(QTextDocument::ImageResource, QUrl(picture));
        EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull()) << picture.toStdString();
    }
    // A link within the guide opens in its window.
    ASSERT_TRUE(links.contains(QStringLiteral("docs/wire.md")));
    for (const QString& link : links) {
        const QUrl target = guide->browser->source().resolved(QUrl(link));
        if (target.scheme() != QStringLiteral("qrc")) continue;  // a web page, for the desktop's browser
        EXPECT_TRUE(QFile::exists(QLatin1Char(':') + target.path())) << link.toStdString();
    }
    guide->browser->setSource(QUrl(QStringLiteral("docs/wire.md")));
    EXPECT_TRUE(guide->backButton->isEnabled());
    guide->backButton->click();
    EXPECT_EQ(guide->browser->source(), ui::GuideWindow::guideUrl());
}

}  // namespace
}  // namespace dx::test
