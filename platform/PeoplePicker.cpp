#include "PeoplePicker.h"

#include "BarButtonItem.h"
#include "TableViewCell.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QWidget *navigationBar(QWidget *left, QLabel *title, QWidget *right)
{
    auto *bar = new QFrame;
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(8, 8, 8, 8);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSize(13);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(left);
    layout->addWidget(title, 1);
    layout->addWidget(right);
    return bar;
}

BarButtonItem *textButton(const QString &text, const QString &name)
{
    auto *button = new BarButtonItem;
    button->setText(text);
    button->setObjectName(name);
    button->setAccessibleName(text);
    return button;
}

// Keeps the bar's title centred when only one side has a button.
QWidget *spacerFor(QWidget *button)
{
    auto *spacer = new QWidget;
    spacer->setFixedWidth(button->sizeHint().width());
    return spacer;
}

QString searchKey(const Person &person)
{
    return person.displayName() + u' ' + person.firstName + u' ' + person.lastName;
}

} // namespace

PeoplePicker::PeoplePicker(QObject *parent)
    : PeoplePicker(AddressBook::load(), parent)
{
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
    BarButtonItem *cancel = textButton(tr("Cancel"), u"btnCancel"_s);
    connect(cancel, &QToolButton::clicked, this, &PeoplePicker::cancel);
    peopleLayout->addWidget(navigationBar(spacerFor(cancel), new QLabel(tr("Contacts")), cancel));
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
    peopleLayout->addWidget(mPeopleTable);

    // Where contacts come from, when there are none.
    mEmpty = new QLabel;
    mEmpty->setObjectName(u"emptyAddressBook"_s);
    mEmpty->setWordWrap(true);
    mEmpty->setAlignment(Qt::AlignCenter);
    mEmpty->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mEmpty->setMargin(24);
    mEmpty->setText(tr("No contacts yet.\n\nVelkari reads the contacts you export from your phone "
                       "or mail program as vCard files (.vcf). Put them in\n\n%1")
                        .arg(contactsDirectory()));
    peopleLayout->addWidget(mEmpty);
    auto *openFolder = new QPushButton(tr("Open the contacts folder"));
    openFolder->setObjectName(u"btnOpenContactsFolder"_s);
    connect(openFolder, &QPushButton::clicked, this, [] {
        QDir().mkpath(contactsDirectory());
        QDesktopServices::openUrl(QUrl::fromLocalFile(contactsDirectory()));
    });
    peopleLayout->addWidget(openFolder, 0, Qt::AlignHCenter);
    const bool empty = mBook.isEmpty();
    mSearch->setVisible(!empty);
    mPeopleTable->setVisible(!empty);
    mEmpty->setVisible(empty);
    openFolder->setVisible(empty);
    if (empty)
        peopleLayout->addStretch();
    mPages->addWidget(peoplePage);

    // One person's numbers.
    auto *personPage = new QWidget;
    auto *personLayout = new QVBoxLayout(personPage);
    personLayout->setContentsMargins(0, 0, 0, 0);
    personLayout->setSpacing(0);
    BarButtonItem *back = textButton(tr("‹ Contacts"), u"btnBack"_s);
    connect(back, &QToolButton::clicked, this, &PeoplePicker::showPeople);
    BarButtonItem *cancelPerson = textButton(tr("Cancel"), u"btnCancelPerson"_s);
    connect(cancelPerson, &QToolButton::clicked, this, &PeoplePicker::cancel);
    mPersonName = new QLabel;
    personLayout->addWidget(navigationBar(back, mPersonName, cancelPerson));
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
