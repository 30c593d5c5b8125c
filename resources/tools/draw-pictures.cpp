// Draws the window's pictures into the given folder:
//   default-cover.jpg, toolbar-login.png, toolbar-albums.png,
//   toolbar-settings.png, toolbar-feedback.png, contact-picture.png
// Build and run: see resources/tools/draw-pictures.sh
#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

QString g_out;

void save(QImage const& image, QString const& name, char const* format, int quality = -1)
{
    image.save(g_out + "/" + name, format, quality);
}

QImage canvas(int w, int h, QColor fill)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void drawCover()
{
    QImage image = canvas(158, 105, QColor(236, 236, 236));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 150, 150), 3));
    p.drawEllipse(QPointF(79, 40), 20, 20);
    p.drawLine(QPointF(68, 29), QPointF(90, 51));
    p.drawLine(QPointF(90, 29), QPointF(68, 51));
    QFont font("WenQuanYi Micro Hei");
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(QColor(128, 128, 128));
    p.drawText(QRect(0, 68, 158, 24), Qt::AlignCenter, QString::fromUtf8("暂无照片"));
    p.end();
    save(image.convertToFormat(QImage::Format_RGB32), "default-cover.jpg", "JPEG", 80);
}

// A 40 x 40 round badge with a white symbol drawn by `symbol`.
template <typename Symbol>
void drawBadge(QString const& name, QColor color, Symbol symbol)
{
    QImage image = canvas(40, 40, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(2, 2, 36, 36), 9, 9);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    symbol(p);
    p.end();
    save(image, name, "PNG");
}

void drawToolbar()
{
    drawBadge("toolbar-login.png", QColor(46, 125, 90), [](QPainter& p) {
        p.drawEllipse(QPointF(20, 15), 5.5, 5.5);
        QPainterPath body;
        body.moveTo(10, 31);
        body.cubicTo(10, 22, 30, 22, 30, 31);
        p.drawPath(body);
    });
    drawBadge("toolbar-albums.png", QColor(52, 106, 170), [](QPainter& p) {
        p.drawRoundedRect(QRectF(9, 11, 22, 18), 2, 2);
        p.drawEllipse(QPointF(15.5, 17), 2, 2);
        QPainterPath hill;
        hill.moveTo(11, 27);
        hill.lineTo(19, 20);
        hill.lineTo(24, 24);
        hill.lineTo(27, 21);
        hill.lineTo(30, 25);
        p.drawPath(hill);
    });
    drawBadge("toolbar-settings.png", QColor(110, 96, 160), [](QPainter& p) {
        p.drawEllipse(QPointF(20, 20), 4, 4);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(20, 20);
            p.rotate(45.0 * i);
            p.drawLine(QPointF(0, -8), QPointF(0, -11));
            p.restore();
        }
        p.drawEllipse(QPointF(20, 20), 8, 8);
    });
    drawBadge("toolbar-feedback.png", QColor(196, 110, 44), [](QPainter& p) {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(9, 10, 22, 15), 4, 4);
        p.drawPath(bubble);
        p.drawLine(QPointF(15, 25), QPointF(13, 31));
        p.drawLine(QPointF(13, 31), QPointF(20, 25));
        p.drawLine(QPointF(14, 17.5), QPointF(26, 17.5));
    });
}

// The support group's picture: a framed pattern of squares with a caption.
void drawContactPicture()
{
    QImage image = canvas(150, 150, Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 60, 80));
    unsigned seed = 20240611u;
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 21; ++x) {
            seed = seed * 1103515245u + 12345u;
            bool const finder = (x < 7 && y < 7) || (x > 13 && y < 7) || (x < 7 && y > 13);
            if (finder) continue;
            if ((seed >> 16) & 1) p.drawRect(12 + x * 6, 12 + y * 6, 6, 6);
        }
    }
    auto finder = [&p](int x, int y) {
        p.setBrush(QColor(40, 60, 80));
        p.drawRect(x, y, 42, 42);
        p.setBrush(Qt::white);
        p.drawRect(x + 6, y + 6, 30, 30);
        p.setBrush(QColor(40, 60, 80));
        p.drawRect(x + 12, y + 12, 18, 18);
    };
    finder(12, 12);
    finder(96, 12);
    finder(12, 96);
    p.end();
    save(image, "contact-picture.png", "PNG");
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    drawCover();
    drawToolbar();
    drawContactPicture();
    return 0;
}
