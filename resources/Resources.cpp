#include "resources/Resources.h"

#include <QPixmap>
#include <QtGlobal>

#include <array>

namespace {

// The strips make_images.py draws: 16 pixels as designed, and for screens of
// 1.5, 2, 3 and 4 times that density.
constexpr std::array kStripSizes = {16, 24, 32, 48, 64};
constexpr std::array kIconSizes = {16, 24, 32, 48, 64, 128, 256};
constexpr int kImageCount = 9;

} // namespace

// Outside any namespace, as the resource's init function is global.
void LoadResources() {
    static bool loaded = false;
    if (!loaded) {
        Q_INIT_RESOURCE(spanmeter);
        loaded = true;
    }
}

QList<QIcon> ToolBarImages() {
    LoadResources();
    QList<QIcon> images(kImageCount);
    for (const int size : kStripSizes) {
        const QPixmap strip(QStringLiteral(":/spanmeter/toolbar-%1.png").arg(size));
        if (strip.isNull() && size == kStripSizes.front())
            return {};
        for (int i = 0; i < kImageCount && !strip.isNull(); ++i)
            images[i].addPixmap(strip.copy(i * size, 0, size, size));
    }
    return images;
}

QIcon ProgramIcon() {
    LoadResources();
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(QStringLiteral(":/spanmeter/spanmeter-%1.png").arg(size), QSize(size, size));
    return icon;
}
