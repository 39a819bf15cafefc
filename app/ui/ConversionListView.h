#pragma once
// Mirrors the conversion list's rows into AdvListView1, passes the user's
// selection back, paints the progress cells and takes files dropped onto
// the list. It keeps the list's size sampler, whose estimates it hands to
// the list on the event loop.
#include <QObject>

#include <memory>

class ConversionList;
class SizeSampler;
class QTreeWidget;
class QTreeWidgetItem;
struct ListRow;

class ConversionListView final : public QObject {
    Q_OBJECT
public:
    static constexpr int kProgressColumn = 5;
    static constexpr int kSizeColumn = 7;
    static constexpr int kSpeedColumn = 8;
    static constexpr int kRemainingColumn = 9;

    ConversionListView(QTreeWidget* view, ConversionList& list);
    ~ConversionListView() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowRows(int row);
    void ShowRow(QTreeWidgetItem* item, const ListRow& row);
    void ShowSelection();
    void FitColumns();

    QTreeWidget* view_;
    ConversionList& list_;
    std::unique_ptr<SizeSampler> sampler_;
    bool syncing_ = false;  // the view is being set from the model
};
