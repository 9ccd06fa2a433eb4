#pragma once

#include <QObject>

class Form1;
class QLineEdit;
class QListView;
class DataControl;

// The customer and fabric search lists: narrowed at every key released in their field,
// an Enter that looks the text up as a code or a name, and a pick by the operator's
// click on a row.
class SearchLists : public QObject
{
    Q_OBJECT
public:
    explicit SearchLists(Form1& form);

    void customerSearch();
    void fabricSearch();
    void customerLookup();
    void fabricLookup();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Search
    {
        QLineEdit* field;
        QListView* list;
        DataControl* data;
        const char16_t* listField;
    };
    bool lookup(const Search& s, const QStringList& criteria, const QString& notFound);
    void pick(const Search& s, QLineEdit* next);
    // Whether the new source has rows.
    bool refreshSource(DataControl* data, const QString& source);

    Form1& m_form;
    Search m_customer;
    Search m_fabric;
};
