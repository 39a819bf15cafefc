#include "formats/ui/FormatIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <map>

#include "formats/FormatCatalogue.h"

namespace {

const std::map<int, const char*>& Labels()
{
    static const std::map<int, const char*> labels{
        {1, "AVI"},         {2, "MP4机\nAVI"},     {3, "DVD机\nAVI"},    {4, "PSP"},         {5, "PS3"},
        {6, "iPod"},        {7, "iPod\nTouch"},    {8, "iPhone"},        {9, "Apple\nTV"},   {10, "SONY\nMP4"},
        {11, "SONY\nHD"},   {12, "MP4"},           {13, "SWF"},          {14, "FLV"},        {15, "RM"},
        {16, "MKV"},        {17, "MOV"},           {18, "MPEG"},         {19, "DVD"},        {20, "SVCD"},
        {21, "VCD"},        {22, "WMV"},           {23, "ASF"},          {24, "MJPEG"},      {100, "3GP"},
        {101, "3G2"},       {102, "Symbian\nMP4"}, {103, "手机\nMP4"},   {104, "黑莓\n3GP"}, {105, "黑莓\n3GP"},
        {106, "黑莓\nAVI"}, {107, "黑莓\nMP4"},    {108, "黑莓\nAMR"},   {109, "手机\nAVI"}, {110, "手机\nWMV"},
        {111, "手机\nASF"}, {112, "MPEG-4"},       {113, "手机\nMOV"},   {114, "手机\nMPG"}, {115, "AAC"},
        {116, "MP3"},       {117, "WMA"},          {118, "WAVE"},        {119, "AMR"},       {120, "黑莓\nH.263"},
        {121, "黑莓\nMP4"}, {122, "iPad"},         {123, "iPhone"},      {124, "iPod"},      {125, "PSP"},
        {126, "Zune"},      {127, "MP4\nMP5"},     {200, "MP3"},         {201, "WMA"},       {202, "WAV"},
        {203, "AAC"},       {204, "AC3"},          {205, "OGG"},         {206, "MP2"},       {207, "FLAC"},
        {208, "RM"},        {209, "AMR"},          {300, "H.264\nHigh"}, {301, "HEVC\nMP4"}, {302, "HEVC\nMKV"},
        {303, "VP9\nWebM"}, {304, "AV1\nWebM"},    {305, "AV1\nMP4"},    {306, "ProRes"},    {307, "DNxHR"},
        {308, "GIF"},       {309, "WebP"},         {310, "Opus"},        {311, "ALAC"},      {312, "FLAC\n24位"},
        {313, "MP3\nVBR"},  {314, "WAV\n24位"},
    };
    return labels;
}

QIcon DrawTile(const QString& label, int page, int position)
{
    // blue mobile, orange PC, green audio, violet for today's formats
    static const int kPageHues[kCataloguePageCount] = {200, 20, 130, 270};
    QPixmap pixmap(kFormatIconSize, kFormatIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (kPageHues[page] + position * 23) % 360;
    painter.setPen(QColor::fromHsv(hue, 200, 120));
    painter.setBrush(QColor::fromHsv(hue, 170, 200));
    painter.drawRoundedRect(QRectF(1.5, 1.5, kFormatIconSize - 3, kFormatIconSize - 3), 9, 9);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    const bool twoLines = label.contains('\n');
    const int longest = std::max<int>(
        1, twoLines ? std::max(label.section('\n', 0, 0).size(), label.section('\n', 1).size()) : label.size());
    font.setPixelSize(std::clamp(48 / longest + 4, 10, twoLines ? 15 : 20));
    painter.setFont(font);
    painter.drawText(QRect(2, 2, kFormatIconSize - 4, kFormatIconSize - 4), Qt::AlignCenter, label);
    return QIcon(pixmap);
}

}  // namespace

QString FormatIconLabel(int number)
{
    const auto found = Labels().find(number);
    return found == Labels().end() ? QString::number(number) : QString::fromUtf8(found->second);
}

QVector<QIcon> FormatImageList(int page)
{
    const CataloguePage& catalogue = CataloguePages()[page];
    int size = 0;
    for (const CatalogueEntry& entry : catalogue.entries)
        size = std::max(size, entry.imageIndex + 1);
    QVector<QIcon> images(size);
    int position = 0;
    for (const CatalogueEntry& entry : catalogue.entries)
        images[entry.imageIndex] = DrawTile(FormatIconLabel(entry.number), page, position++);
    return images;
}
