#pragma once

#include "aprsis/FilterText.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class DialogRunner;
class FilterEditorDialog;
class Prompter;
class QFormLayout;
class QLabel;
class QListWidget;
class StationManager;

// The filter builder: the range, area and buddy terms of an APRS-IS filter text in three sorted
// lists, each with New, Edit and Delete; every other term is carried through unchanged. Ok
// rebuilds the text, asking first when the filter would pull a very large part of the feed.
class DlgAPRSFilter : public QDialog {
    Q_OBJECT
public:
    // With a station database, the dialog estimates how many of the stations heard so far the
    // ranges and areas take in; it reads their positions once, here.
    DlgAPRSFilter(const QString& filterText, Prompter& prompter, DialogRunner& dialogs,
                  QWidget* parent = nullptr, StationManager* stations = nullptr);
    ~DlgAPRSFilter() override;

    // The text the dialog was opened on; after an accepted Ok, the rebuilt text.
    QString filterText() const { return m_filterText; }
    // The terms as the lists hold them now.
    const FilterTerms& terms() const { return m_terms; }

    void accept() override;

private:
    using Editor = std::function<std::unique_ptr<FilterEditorDialog>(const QString& entry)>;
    struct Group {
        QStringList FilterTerms::*entries = nullptr;
        QListWidget* list = nullptr;
        Editor editor;
    };

    void addGroup(size_t index, QFormLayout* form, const QString& label, const QString& name,
                  QStringList FilterTerms::*entries, Editor editor);
    // The selected entry's row, or -1 after telling the user to select one.
    int selectedRow(const Group& g);
    // The editor's result after Ok; empty when cancelled.
    QString runEditor(const Group& g, const QString& entry);
    // Puts an editor's result in its sorted place, instead of the entry at row `replaced` (-1 for
    // none); an empty result (cancelled) changes nothing.
    void store(const Group& g, int replaced, const QString& term);
    void newEntry(size_t index);
    void editEntry(size_t index);
    void deleteEntry(size_t index);
    // Refills the list from its entries, selecting `select` when given.
    void showEntries(const Group& g, const QString& select = {});
    void updateNotes();

    Prompter& m_prompter;
    DialogRunner& m_dialogs;
    QString m_filterText;
    FilterTerms m_terms;
    std::array<Group, 3> m_groups;
    bool m_estimate = false;
    std::vector<FilterText::Position> m_positions;
    QLabel* m_estimateLabel = nullptr;
    QLabel* m_keptLabel = nullptr;
};
