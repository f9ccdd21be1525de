// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/contacts/EdsContactSource.h"

#include "platform/core/Logging.h"

#include <QAbstractEventDispatcher>
#include <QMap>
#include <QTimer>

#include <algorithm>
#include <libebook/libebook.h>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

QString fromUtf8(const char *text)
{
    return QString::fromUtf8(text);
}

QString takeText(gpointer text)
{
    QString result = fromUtf8(static_cast<const char *>(text));
    g_free(text);
    return result;
}

QString errorText(const GError *error)
{
    return error ? fromUtf8(error->message) : u"unknown error"_s;
}

bool isCancelled(const GError *error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

std::optional<Person> personOf(EContact *contact)
{
    AddressBook::Record record;
    record.givenName = takeText(e_contact_get(contact, E_CONTACT_GIVEN_NAME));
    record.familyName = takeText(e_contact_get(contact, E_CONTACT_FAMILY_NAME));
    record.formattedName = takeText(e_contact_get(contact, E_CONTACT_FULL_NAME));
    record.uid = fromUtf8(static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_UID)));
    GList *numbers = e_contact_get_attributes(contact, E_CONTACT_TEL);
    for (GList *item = numbers; item; item = item->next) {
        auto *attribute = static_cast<EVCardAttribute *>(item->data);
        QList<QByteArray> types;
        for (GList *type = e_vcard_attribute_get_param(attribute, EVC_TYPE); type;
             type = type->next)
            types.append(QByteArray(static_cast<const char *>(type->data)));
        record.numbers.append({types, takeText(e_vcard_attribute_get_value(attribute))});
    }
    g_list_free_full(numbers, reinterpret_cast<GDestroyNotify>(e_vcard_attribute_free));
    return AddressBook::personFromRecord(record);
}

} // namespace

struct EdsContactSource::Private : std::enable_shared_from_this<Private> {
    // One address book of the registry, from connecting to its live view.
    struct Book {
        Private *owner = nullptr;
        ESource *source = nullptr;
        QString name;
        GCancellable *cancellable = g_cancellable_new();
        EBookClient *client = nullptr;
        EBookClientView *view = nullptr;
        QMap<QString, Person> people; // by the contact's UID
        bool done = false;            // read once, or failed
        // What the view told before the first reading came back, applied
        // after it: a removal is a UID without a person.
        std::vector<std::pair<QString, std::optional<Person>>> early;

        ~Book()
        {
            g_cancellable_cancel(cancellable);
            if (view) {
                g_signal_handlers_disconnect_by_data(view, this);
                g_object_unref(view);
            }
            if (client) {
                g_signal_handlers_disconnect_by_data(client, this);
                g_object_unref(client);
            }
            g_object_unref(source);
            g_object_unref(cancellable);
        }
    };

    // What an asynchronous call hands back to: gone when the source or its
    // book went before the answer came.
    template<typename T> struct Pending {
        std::weak_ptr<T> target;
    };

    EdsContactSource *q = nullptr;
    GCancellable *cancellable = g_cancellable_new();
    GDBusConnection *bus = nullptr;
    ESourceRegistry *registry = nullptr;
    std::vector<std::shared_ptr<Book>> books;
    bool loading = true;
    bool finishing = false;
    QTimer *notify = nullptr;
    QTimer *timeout = nullptr;
    mutable std::optional<QList<Person>> merged;

    ~Private()
    {
        g_cancellable_cancel(cancellable);
        books.clear();
        if (registry) {
            g_signal_handlers_disconnect_by_data(registry, this);
            g_object_unref(registry);
        }
        if (bus)
            g_object_unref(bus);
        g_object_unref(cancellable);
    }

    void start()
    {
        // Without GLib's dispatcher no answer would ever be delivered.
        const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
        if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
            qCWarning(
                lcContacts,
                "Contacts: Evolution Data Server not read, the event loop does not run GLib's");
            finishLoading();
            return;
        }
        timeout->start();
        g_bus_get(G_BUS_TYPE_SESSION, cancellable, onBus, new Pending<Private>{weak_from_this()});
    }

    static void onBus(GObject *, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending<Private>> pending(static_cast<Pending<Private> *>(data));
        GError *error = nullptr;
        GDBusConnection *bus = g_bus_get_finish(result, &error);
        const std::shared_ptr<Private> self = pending->target.lock();
        if (!bus) {
            if (self && !isCancelled(error)) {
                qCWarning(lcContacts,
                          "Contacts: Evolution Data Server not read, no session bus: %s",
                          qUtf8Printable(errorText(error)));
                self->finishLoading();
            }
            g_clear_error(&error);
            return;
        }
        // GLib's shared connection ends the process when the bus closes;
        // the bus going away must cost the contacts, not the app.
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        if (!self) {
            g_object_unref(bus);
            return;
        }
        self->bus = bus;
        e_source_registry_new(self->cancellable, onRegistry, new Pending<Private>{self});
    }

    static void onRegistry(GObject *, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending<Private>> pending(static_cast<Pending<Private> *>(data));
        GError *error = nullptr;
        ESourceRegistry *registry = e_source_registry_new_finish(result, &error);
        const std::shared_ptr<Private> self = pending->target.lock();
        if (!registry) {
            if (self && !isCancelled(error)) {
                qCWarning(lcContacts, "Contacts: Evolution Data Server not read: %s",
                          qUtf8Printable(errorText(error)));
                self->finishLoading();
            }
            g_clear_error(&error);
            return;
        }
        if (!self) {
            g_object_unref(registry);
            return;
        }
        self->registry = registry;
        Private *raw = self.get();
        g_signal_connect(registry, "source-added", G_CALLBACK(onSourceAppeared), raw);
        g_signal_connect(registry, "source-enabled", G_CALLBACK(onSourceAppeared), raw);
        g_signal_connect(registry, "source-removed", G_CALLBACK(onSourceGone), raw);
        g_signal_connect(registry, "source-disabled", G_CALLBACK(onSourceGone), raw);
        GList *sources = e_source_registry_list_enabled(registry, E_SOURCE_EXTENSION_ADDRESS_BOOK);
        for (GList *item = sources; item; item = item->next)
            self->addBook(E_SOURCE(item->data));
        g_list_free_full(sources, g_object_unref);
        self->checkLoaded();
    }

    static void onSourceAppeared(ESourceRegistry *registry, ESource *source, gpointer data)
    {
        if (e_source_has_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK) &&
            e_source_registry_check_enabled(registry, source))
            static_cast<Private *>(data)->addBook(source);
    }

    static void onSourceGone(ESourceRegistry *, ESource *source, gpointer data)
    {
        auto *self = static_cast<Private *>(data);
        const auto it =
            std::find_if(self->books.begin(), self->books.end(), [source](const auto &book) {
                return e_source_equal(book->source, source);
            });
        if (it == self->books.end())
            return;
        self->books.erase(it);
        self->contactsChanged();
        self->checkLoaded();
    }

    void addBook(ESource *source)
    {
        for (const auto &book : books) {
            if (e_source_equal(book->source, source))
                return;
        }
        auto book = std::make_shared<Book>();
        book->owner = this;
        book->source = E_SOURCE(g_object_ref(source));
        book->name = fromUtf8(e_source_get_display_name(source));
        books.push_back(book);
        // -1: not waiting for "connected", which a local book never becomes.
        e_book_client_connect(source, guint32(-1), book->cancellable, onClient,
                              new Pending<Book>{book});
    }

    static void onClient(GObject *, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending<Book>> pending(static_cast<Pending<Book> *>(data));
        GError *error = nullptr;
        EClient *client = e_book_client_connect_finish(result, &error);
        const std::shared_ptr<Book> book = pending->target.lock();
        if (!client) {
            if (book && !isCancelled(error))
                book->owner->skip(*book, errorText(error));
            g_clear_error(&error);
            return;
        }
        if (!book) {
            g_object_unref(client);
            return;
        }
        book->client = E_BOOK_CLIENT(client);
        g_signal_connect(client, "backend-died", G_CALLBACK(onBackendDied), book.get());
        EBookQuery *query = e_book_query_any_field_contains("");
        gchar *sexp = e_book_query_to_string(query);
        e_book_query_unref(query);
        // All contacts in one answer, and a view for what changes after:
        // far quicker than the view's first batches.
        e_book_client_get_view(book->client, sexp, book->cancellable, onView,
                               new Pending<Book>{book});
        e_book_client_get_contacts(book->client, sexp, book->cancellable, onSnapshot,
                                   new Pending<Book>{book});
        g_free(sexp);
    }

    static void onView(GObject *client, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending<Book>> pending(static_cast<Pending<Book> *>(data));
        GError *error = nullptr;
        EBookClientView *view = nullptr;
        const bool ok = e_book_client_get_view_finish(E_BOOK_CLIENT(client), result, &view, &error);
        const std::shared_ptr<Book> book = pending->target.lock();
        if (!ok) {
            if (book && !isCancelled(error))
                book->owner->skip(*book, errorText(error));
            g_clear_error(&error);
            return;
        }
        if (!book) {
            g_object_unref(view);
            return;
        }
        book->view = view;
        // Only what a person of the picker holds crosses the bus.
        GSList *fields = nullptr;
        for (EContactField field : {E_CONTACT_UID, E_CONTACT_FULL_NAME, E_CONTACT_GIVEN_NAME,
                                    E_CONTACT_FAMILY_NAME, E_CONTACT_TEL})
            fields = g_slist_append(fields, const_cast<gchar *>(e_contact_field_name(field)));
        e_book_client_view_set_fields_of_interest(view, fields, nullptr);
        g_slist_free(fields);
        g_signal_connect(view, "objects-added", G_CALLBACK(onContacts), book.get());
        g_signal_connect(view, "objects-modified", G_CALLBACK(onContacts), book.get());
        g_signal_connect(view, "objects-removed", G_CALLBACK(onRemoved), book.get());
        g_signal_connect(view, "complete", G_CALLBACK(onComplete), book.get());
        e_book_client_view_set_flags(view, E_BOOK_CLIENT_VIEW_FLAGS_NONE, nullptr);
        e_book_client_view_start(view, &error);
        if (error) {
            book->owner->skip(*book, errorText(error));
            g_clear_error(&error);
        }
    }

    static void apply(Book &book, QString uid, std::optional<Person> person)
    {
        if (!book.done)
            book.early.emplace_back(std::move(uid), std::move(person));
        else if (person)
            book.people.insert(uid, std::move(*person));
        else
            book.people.remove(uid);
    }

    static void onContacts(EBookClientView *, const GSList *contacts, gpointer data)
    {
        auto *book = static_cast<Book *>(data);
        for (const GSList *item = contacts; item; item = item->next) {
            EContact *contact = E_CONTACT(item->data);
            // A changed contact may have lost its last name and number.
            apply(*book,
                  fromUtf8(static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_UID))),
                  personOf(contact));
        }
        book->owner->contactsChanged();
    }

    static void onRemoved(EBookClientView *, const GSList *uids, gpointer data)
    {
        auto *book = static_cast<Book *>(data);
        for (const GSList *item = uids; item; item = item->next)
            apply(*book, fromUtf8(static_cast<const char *>(item->data)), std::nullopt);
        book->owner->contactsChanged();
    }

    static void onComplete(EBookClientView *, const GError *error, gpointer data)
    {
        if (error)
            qCWarning(lcContacts, "Contacts: address book \"%s\" not followed: %s",
                      qUtf8Printable(static_cast<Book *>(data)->name),
                      qUtf8Printable(errorText(error)));
    }

    static void onSnapshot(GObject *client, GAsyncResult *result, gpointer data)
    {
        std::unique_ptr<Pending<Book>> pending(static_cast<Pending<Book> *>(data));
        GError *error = nullptr;
        GSList *contacts = nullptr;
        const bool ok =
            e_book_client_get_contacts_finish(E_BOOK_CLIENT(client), result, &contacts, &error);
        const std::shared_ptr<Book> book = pending->target.lock();
        if (ok && book) {
            for (GSList *item = contacts; item; item = item->next) {
                EContact *contact = E_CONTACT(item->data);
                if (std::optional<Person> person = personOf(contact))
                    book->people.insert(fromUtf8(static_cast<const char *>(
                                            e_contact_get_const(contact, E_CONTACT_UID))),
                                        std::move(*person));
            }
            book->done = true;
            for (auto &[uid, person] : std::exchange(book->early, {}))
                apply(*book, std::move(uid), std::move(person));
            book->owner->contactsChanged();
            book->owner->checkLoaded();
        } else if (book && !isCancelled(error)) {
            book->owner->skip(*book, errorText(error));
        }
        g_slist_free_full(contacts, g_object_unref);
        g_clear_error(&error);
    }

    static void onBackendDied(EClient *, gpointer data)
    {
        auto *book = static_cast<Book *>(data);
        qCWarning(lcContacts,
                  "Contacts: address book \"%s\" went away, its contacts stay as they were",
                  qUtf8Printable(book->name));
        book->done = true;
        book->owner->checkLoaded();
    }

    // One log line, and the other books go on.
    void skip(Book &book, const QString &why)
    {
        qCWarning(lcContacts, "Contacts: address book \"%s\" skipped: %s",
                  qUtf8Printable(book.name), qUtf8Printable(why));
        book.done = true;
        checkLoaded();
    }

    void contactsChanged()
    {
        merged.reset();
        // Told once a book has been read, not for every batch it comes in.
        if (!loading || finishing)
            notify->start();
    }

    void checkLoaded()
    {
        if (!loading || finishing || !registry)
            return;
        for (const auto &book : books) {
            if (!book->done)
                return;
        }
        finishLoading();
    }

    // Still loading until changed() has told of it, so that whoever sees
    // isLoading() false has been told of the people too.
    void finishLoading()
    {
        timeout->stop();
        finishing = true;
        notify->start();
    }

    QList<Person> people() const
    {
        if (!merged) {
            QList<Person> all;
            for (const auto &book : books)
                all.append(AddressBook::withoutDuplicates(book->people.values(), all));
            merged = std::move(all);
        }
        return *merged;
    }
};

EdsContactSource::EdsContactSource(QObject *parent)
    : QObject(parent)
    , d(std::make_shared<Private>())
{
    d->q = this;
    d->notify = new QTimer(this);
    d->notify->setSingleShot(true);
    d->notify->setInterval(0);
    connect(d->notify, &QTimer::timeout, this, [this] {
        if (d->finishing)
            d->loading = false;
        Q_EMIT changed();
    });
    d->timeout = new QTimer(this);
    d->timeout->setSingleShot(true);
    d->timeout->setInterval(AnswerTimeoutMs);
    connect(d->timeout, &QTimer::timeout, this, [this] {
        qCWarning(lcContacts, "Contacts: Evolution Data Server has not answered in 2 s, its "
                              "contacts join when it does");
        d->finishLoading();
    });
    d->start();
}

EdsContactSource::~EdsContactSource() = default;

QList<Person> EdsContactSource::people() const
{
    return d->people();
}

bool EdsContactSource::isLoading() const
{
    return d->loading;
}

} // namespace platform
