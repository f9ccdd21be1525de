// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/PeoplePicker.h"

#include "platform/core/Logging.h"
#include "platform/core/PrivateFiles.h"
#ifdef VELKARI_WITH_EDS
#include "platform/contacts/EdsContactSource.h"
#endif

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableViewCell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QString searchKey(const Person &person)
{
    return person.displayName() + u' ' + person.firstName + u' ' + person.lastName;
}

} // namespace

PeoplePicker::PeoplePicker(QObject *parent)
    : PeoplePicker(AddressBook::load(), parent)
{
    mFolders = mBook;
    mWatcher = new QFileSystemWatcher(this);
    // A sync writes many files at once: one reading for all of them.
    mReloadSoon = new QTimer(this);
    mReloadSoon->setSingleShot(true);
    mReloadSoon->setInterval(50);
    connect(mReloadSoon, &QTimer::timeout, this, &PeoplePicker::reload);
    auto changed = [this] {
        if (!mReloadSoon->isActive())
            mReloadSoon->start();
    };
    connect(mWatcher, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(mWatcher, &QFileSystemWatcher::fileChanged, this, changed);
    watchFolders();
#ifdef VELKARI_WITH_EDS
    mEds = new EdsContactSource(this);
    connect(mEds, &EdsContactSource::changed, this, &PeoplePicker::merge);
#endif
}

bool PeoplePicker::watchFolders()
{
    // Every folder read, subfolders too, and every file: a file written in
    // place changes no folder. A contact folder made later is not seen
    // until the picker opens again.
    const QStringList folders = mFolders.folders();
    const QStringList files = mFolders.files();
    QSet<QString> wanted(folders.cbegin(), folders.cend());
    wanted.unite(QSet<QString>(files.cbegin(), files.cend()));
    QStringList gone;
    for (const QString &path : mWatcher->files() + mWatcher->directories()) {
        if (!wanted.remove(path))
            gone.append(path);
    }
    if (!gone.isEmpty())
        mWatcher->removePaths(gone);
    if (wanted.isEmpty())
        return false;
    // Paths the system refuses to watch (too many watches) are not taken
    // for new again at the next reading.
    for (const QString &path : mWatcher->addPaths(QStringList(wanted.cbegin(), wanted.cend())))
        wanted.remove(path);
    return std::any_of(folders.cbegin(), folders.cend(),
                       [&wanted](const QString &folder) { return wanted.contains(folder); });
}

void PeoplePicker::reload()
{
    mFolders = AddressBook::load();
    // A folder new to the watcher was read before it was watched: what was
    // written there in between is read again now that it is.
    if (watchFolders())
        mReloadSoon->start();
    merge();
}

void PeoplePicker::merge()
{
#ifdef VELKARI_WITH_EDS
    mBook = AddressBook::merged(mEds->people(), mFolders);
#else
    mBook = mFolders;
#endif
    // The person shown keeps its page: the numbers it offers were read with it.
    search(mSearchText);
    showWhetherEmpty();
}

void PeoplePicker::showWhetherEmpty()
{
    if (!mEmpty)
        return;
        // Not "no contacts" while a source may still bring some.
#ifdef VELKARI_WITH_EDS
    const bool loading = mEds && mEds->isLoading();
#else
    const bool loading = false;
#endif
    const bool empty = mBook.isEmpty() && !loading;
    mPeopleTable->setPlaceholderText(loading ? tr("Reading contacts…") : tr("Nobody matches."));
    mSearch->setVisible(!empty);
    mPeopleTable->setVisible(!empty);
    mEmpty->setVisible(empty);
    mOpenFolder->setVisible(empty);
}

PeoplePicker::PeoplePicker(const AddressBook &book, QObject *parent)
    : ViewController(parent)
    , mBook(book)
    , mShown(book.people())
{
}

PeoplePicker::~PeoplePicker() = default;

QWidget *PeoplePicker::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(u"PeoplePicker"_s);
    view->setAccessibleName(tr("Contacts"));
    view->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mPages = new QStackedWidget(view);
    layout->addWidget(mPages);

    // The people.
    auto *peoplePage = new QWidget;
    auto *peopleLayout = new QVBoxLayout(peoplePage);
    peopleLayout->setContentsMargins(0, 0, 0, 0);
    peopleLayout->setSpacing(0);
    BarButtonItem *cancel = BarButtonItem::titled(tr("Cancel"), u"btnCancel"_s);
    connect(cancel, &QToolButton::clicked, this, &PeoplePicker::cancel);
    peopleLayout->addWidget(navigationBar(nullptr, tr("Contacts"), cancel));
    mSearch = new QLineEdit;
    mSearch->setObjectName(u"search"_s);
    mSearch->setPlaceholderText(tr("Search"));
    mSearch->setAccessibleName(tr("Search contacts"));
    mSearch->setClearButtonEnabled(true);
    connect(mSearch, &QLineEdit::textChanged, this, &PeoplePicker::search);
    auto *searchBox = new QWidget;
    auto *searchLayout = new QHBoxLayout(searchBox);
    searchLayout->setContentsMargins(8, 6, 8, 6);
    searchLayout->addWidget(mSearch);
    peopleLayout->addWidget(searchBox);
    mPeopleTable = new TableView;
    mPeopleTable->setObjectName(u"peopleTable"_s);
    mPeopleTable->setAccessibleName(tr("Contacts"));
    mPeopleTable->setPlaceholderText(tr("Nobody matches."));
    mPeopleTable->setDataSource(this);
    mPeopleTable->setDelegate(this);
    peopleLayout->addWidget(mPeopleTable, 1); // the stretch below is for the hint

    // Where contacts come from, when there are none.
    mEmpty = new QLabel;
    mEmpty->setObjectName(u"emptyAddressBook"_s);
    mEmpty->setWordWrap(true);
    mEmpty->setAlignment(Qt::AlignCenter);
    mEmpty->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mEmpty->setMargin(24);
    mEmpty->setText(tr("No contacts yet.\n\nVelkari shows the contacts of GNOME Contacts "
                       "(Evolution Data Server), the vCard files (.vcf) of KDE's contacts in"
                       "\n\n%1\n\nand the contacts you export from your phone or mail program "
                       "as vCard files. Put them in\n\n%2")
                        .arg(kpeopleVCardDirectory(), contactsDirectory()));
    peopleLayout->addWidget(mEmpty);
    auto *openFolder = mOpenFolder = new QPushButton(tr("Open the contacts folder"));
    openFolder->setObjectName(u"btnOpenContactsFolder"_s);
    connect(openFolder, &QPushButton::clicked, this, [] {
        if (const Result<void> made = makePrivateDirectory(contactsDirectory()); !made)
            qCWarning(lcUi, "Cannot make %s: %s", qUtf8Printable(contactsDirectory()),
                      qUtf8Printable(made.error()));
        QDesktopServices::openUrl(QUrl::fromLocalFile(contactsDirectory()));
    });
    peopleLayout->addWidget(openFolder, 0, Qt::AlignHCenter);
    showWhetherEmpty();
    peopleLayout->addStretch();
    mPages->addWidget(peoplePage);

    // One person's numbers.
    auto *personPage = new QWidget;
    auto *personLayout = new QVBoxLayout(personPage);
    personLayout->setContentsMargins(0, 0, 0, 0);
    personLayout->setSpacing(0);
    BarButtonItem *back = BarButtonItem::titled(tr("‹ Contacts"), u"btnBack"_s);
    connect(back, &QToolButton::clicked, this, &PeoplePicker::showPeople);
    BarButtonItem *cancelPerson = BarButtonItem::titled(tr("Cancel"), u"btnCancelPerson"_s);
    connect(cancelPerson, &QToolButton::clicked, this, &PeoplePicker::cancel);
    QWidget *personBar = navigationBar(back, QString(), cancelPerson);
    mPersonName = personBar->findChild<QLabel *>(u"lblTitle"_s);
    personLayout->addWidget(personBar);
    mNumbersTable = new TableView;
    mNumbersTable->setObjectName(u"numbersTable"_s);
    mNumbersTable->setAccessibleName(tr("Phone numbers"));
    mNumbersTable->setPlaceholderText(tr("No phone numbers."));
    mNumbersTable->setDataSource(this);
    mNumbersTable->setDelegate(this);
    personLayout->addWidget(mNumbersTable);
    mPages->addWidget(personPage);

    mPeopleTable->reloadData();
    return view;
}

void PeoplePicker::search(const QString &text)
{
    mSearchText = text;
    const QString wanted = text.simplified();
    mShown.clear();
    for (const Person &person : mBook.people()) {
        if (wanted.isEmpty() || searchKey(person).contains(wanted, Qt::CaseInsensitive))
            mShown.append(person);
    }
    if (mPeopleTable)
        mPeopleTable->reloadData();
}

void PeoplePicker::selectPerson(int row)
{
    if (row < 0 || row >= mShown.size())
        return;
    const Person person = mShown.at(row);
    if (mDelegate && !mDelegate->peoplePickerShouldContinueAfterSelectingPerson(*this, person))
        return;
    view();
    mPerson = person;
    mPersonName->setText(person.displayName());
    mNumbersTable->reloadData();
    mPages->setCurrentIndex(1);
    mNumbersTable->setFocus();
}

void PeoplePicker::selectPhoneNumber(int row)
{
    const QList<PhoneNumber> numbers = shownNumbers();
    if (!mPerson || row < 0 || row >= numbers.size())
        return;
    // Copies: the delegate may close the picker.
    const Person person = *mPerson;
    const int identifier = numbers.at(row).identifier;
    if (mDelegate)
        mDelegate->peoplePickerShouldContinueAfterSelectingPerson(
            *this, person, PersonProperty::Phone, identifier);
}

void PeoplePicker::cancel()
{
    if (mDelegate)
        mDelegate->peoplePickerDidCancel(*this);
}

void PeoplePicker::showPeople()
{
    mPerson.reset();
    mPages->setCurrentIndex(0);
    mPeopleTable->setFocus();
}

QList<PhoneNumber> PeoplePicker::shownNumbers() const
{
    if (!mPerson || (!mDisplayed.isEmpty() && !mDisplayed.contains(PersonProperty::Phone)))
        return {};
    return mPerson->phoneNumbers;
}

int PeoplePicker::numberOfRowsInSection(TableView &tableView, int)
{
    return &tableView == mPeopleTable ? int(mShown.size()) : int(shownNumbers().size());
}

TableViewCell *PeoplePicker::cellForRowAtIndexPath(TableView &tableView, const IndexPath &indexPath)
{
    const bool people = &tableView == mPeopleTable;
    const QString identifier = people ? u"person"_s : u"number"_s;
    TableViewCell *cell = tableView.dequeueReusableCellWithIdentifier(identifier);
    if (!cell)
        cell = new TableViewCell(identifier);
    if (people) {
        const QString name = mShown.value(indexPath.row).displayName();
        cell->textLabel()->setText(name);
        cell->setAccessibleName(name);
    } else {
        const PhoneNumber number = shownNumbers().value(indexPath.row);
        cell->textLabel()->setText(u"%1   %2"_s.arg(number.label, number.value));
        cell->setAccessibleName(u"%1 %2"_s.arg(number.label, number.value));
    }
    return cell;
}

void PeoplePicker::didSelectRowAtIndexPath(TableView &tableView, const IndexPath &indexPath)
{
    if (&tableView == mPeopleTable)
        selectPerson(indexPath.row);
    else
        selectPhoneNumber(indexPath.row);
}

} // namespace platform
