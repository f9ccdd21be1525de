// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/contacts/AddressBook.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QLineEdit;
class QStackedWidget;
class QTimer;

namespace platform {

class EdsContactSource;
class PeoplePicker;

// The properties of a person a picker can show, numbered as the platform
// numbers them. No fixed underlying type: lupdate misreads the file then.
namespace PersonProperty {
enum {
    FirstName = 0,
    LastName = 1,
    Phone = 3,
};
} // namespace PersonProperty

class PeoplePickerDelegate {
public:
    virtual ~PeoplePickerDelegate() = default;
    // A person was tapped: true goes on to the person's details.
    virtual bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePicker &picker,
                                                                const Person &person) = 0;
    // One of the person's values was tapped (for phone numbers, identifier
    // is the number's): true lets the picker act on it itself.
    virtual bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePicker &picker,
                                                                const Person &person, int property,
                                                                int identifier) = 0;
    virtual void peoplePickerDidCancel(PeoplePicker &picker) = 0;
};

// The address book's people, sorted and searchable by name; tapping one shows
// the values the picker was told to show (its displayed properties). An empty
// address book says where contacts come from.
class PeoplePicker : public ViewController, public TableViewDataSource, public TableViewDelegate {
    Q_OBJECT

public:
    // Shows the contact folders' people at once and Evolution Data
    // Server's when they arrive; follows both while the picker lives.
    explicit PeoplePicker(QObject *parent = nullptr);
    explicit PeoplePicker(const AddressBook &book, QObject *parent = nullptr);
    ~PeoplePicker() override;

    void setDisplayedProperties(const QList<int> &properties) { mDisplayed = properties; }
    QList<int> displayedProperties() const { return mDisplayed; }
    void setPeoplePickerDelegate(PeoplePickerDelegate *delegate) { mDelegate = delegate; }

    // The people shown now (after the search), in order.
    QList<Person> shownPeople() const { return mShown; }
    // Narrows the list to people whose name holds the text.
    void search(const QString &text);
    // What a tap does: on a person of the list, on a number of the person
    // shown, on Cancel.
    void selectPerson(int row);
    void selectPhoneNumber(int row);
    void cancel();

    // The person whose details are shown, if any.
    const Person *shownPerson() const { return mPerson ? &*mPerson : nullptr; }

    int numberOfRowsInSection(TableView &tableView, int section) override;
    TableViewCell *cellForRowAtIndexPath(TableView &tableView, const IndexPath &indexPath) override;
    void didSelectRowAtIndexPath(TableView &tableView, const IndexPath &indexPath) override;

protected:
    QWidget *loadView() override;

private:
    void showPeople();
    bool watchFolders(); // true when a folder was added
    void reload();
    void merge();
    void showWhetherEmpty();
    QList<PhoneNumber> shownNumbers() const;

    AddressBook mBook;    // what is shown: the sources merged
    AddressBook mFolders; // the contact folders alone
    EdsContactSource *mEds = nullptr;
    QList<int> mDisplayed;
    PeoplePickerDelegate *mDelegate = nullptr;
    QList<Person> mShown;
    std::optional<Person> mPerson;
    QStackedWidget *mPages = nullptr;
    QLineEdit *mSearch = nullptr;
    TableView *mPeopleTable = nullptr;
    TableView *mNumbersTable = nullptr;
    QLabel *mPersonName = nullptr;
    QLabel *mEmpty = nullptr;
    QPushButton *mOpenFolder = nullptr;
    QString mSearchText;
    QFileSystemWatcher *mWatcher = nullptr;
    QTimer *mReloadSoon = nullptr;
};

} // namespace platform
