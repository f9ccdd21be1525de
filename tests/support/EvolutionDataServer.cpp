// SPDX-License-Identifier: GPL-3.0-or-later
#include "EvolutionDataServer.h"

#include <QMap>

#include <libebook/libebook.h>

using namespace Qt::Literals::StringLiterals;

struct EvolutionDataServer::Private {
    GDBusConnection *bus = nullptr;
    ESourceRegistry *registry = nullptr;
    QMap<QString, EBookClient *> clients; // by book uid
    QString error;

    ~Private() { forget(); }

    void forget()
    {
        for (EBookClient *client : std::as_const(clients))
            g_object_unref(client);
        clients.clear();
        g_clear_object(&registry);
    }

    bool failed(GError *gerror)
    {
        error = QString::fromUtf8(gerror ? gerror->message : "unknown error");
        g_clear_error(&gerror);
        return false;
    }

    ESourceRegistry *sources()
    {
        GError *gerror = nullptr;
        if (!registry && !(registry = e_source_registry_new_sync(nullptr, &gerror)))
            failed(gerror);
        return registry;
    }

    EBookClient *client(const QString &uid)
    {
        if (EBookClient *client = clients.value(uid))
            return client;
        ESourceRegistry *registry = sources();
        if (!registry)
            return nullptr;
        ESource *source = uid.isEmpty() ? e_source_registry_ref_builtin_address_book(registry)
                                        : e_source_registry_ref_source(registry, uid.toUtf8());
        if (!source) {
            error = u"no address book "_s + uid;
            return nullptr;
        }
        GError *gerror = nullptr;
        // -1: not waiting for "connected", which a local book never becomes.
        EClient *client = e_book_client_connect_sync(source, guint32(-1), nullptr, &gerror);
        // A book just added may not have reached the address-book factory's
        // own registry yet: it answers "No such source" for a moment.
        for (int tries = 0; !client && tries < 100 && !uid.isEmpty() &&
                            g_error_matches(gerror, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
             ++tries) {
            g_clear_error(&gerror);
            g_usleep(50 * 1000);
            client = e_book_client_connect_sync(source, guint32(-1), nullptr, &gerror);
        }
        g_object_unref(source);
        if (!client) {
            failed(gerror);
            return nullptr;
        }
        clients.insert(uid, E_BOOK_CLIENT(client));
        return E_BOOK_CLIENT(client);
    }
};

EvolutionDataServer::EvolutionDataServer()
    : d(std::make_unique<Private>())
{
    mBus.becomeSessionBus();
    GError *gerror = nullptr;
    d->bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &gerror);
    if (!d->bus) {
        d->failed(gerror);
        return;
    }
    // The bus ends before the process does.
    g_dbus_connection_set_exit_on_close(d->bus, FALSE);
    d->client({});
}

EvolutionDataServer::~EvolutionDataServer()
{
    d->forget();
    g_clear_object(&d->bus);
}

bool EvolutionDataServer::isRunning() const
{
    return d->clients.contains(QString());
}

QString EvolutionDataServer::lastError() const
{
    return d->error;
}

QString EvolutionDataServer::addBook(const QString &name, const QByteArray &backend)
{
    ESourceRegistry *registry = d->sources();
    if (!registry)
        return {};
    GError *gerror = nullptr;
    ESource *source = e_source_new(nullptr, nullptr, &gerror);
    if (!source) {
        d->failed(gerror);
        return {};
    }
    e_source_set_display_name(source, name.toUtf8());
    e_source_set_parent(source, "local-stub");
    auto *extension =
        E_SOURCE_BACKEND(e_source_get_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK));
    e_source_backend_set_backend_name(extension, backend.constData());
    QString uid = QString::fromUtf8(e_source_get_uid(source));
    if (!e_source_registry_commit_source_sync(registry, source, nullptr, &gerror)) {
        d->failed(gerror);
        uid.clear();
    }
    g_object_unref(source);
    return uid;
}

bool EvolutionDataServer::saveContact(const QByteArray &vcard, const QString &book)
{
    return saveContacts({vcard}, book);
}

bool EvolutionDataServer::saveContacts(const QList<QByteArray> &vcards, const QString &book)
{
    EBookClient *client = d->client(book);
    if (!client)
        return false;
    GSList *added = nullptr;
    GSList *replaced = nullptr;
    for (const QByteArray &vcard : vcards) {
        EContact *contact = e_contact_new_from_vcard(vcard.constData());
        const char *uid = static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_UID));
        EContact *existing = nullptr;
        if (uid && e_book_client_get_contact_sync(client, uid, &existing, nullptr, nullptr)) {
            g_object_unref(existing);
            replaced = g_slist_append(replaced, contact);
        } else {
            added = g_slist_append(added, contact);
        }
    }
    GError *gerror = nullptr;
    bool ok = (!added || e_book_client_add_contacts_sync(client, added, E_BOOK_OPERATION_FLAG_NONE,
                                                         nullptr, nullptr, &gerror)) &&
              (!replaced || e_book_client_modify_contacts_sync(
                                client, replaced, E_BOOK_OPERATION_FLAG_NONE, nullptr, &gerror));
    g_slist_free_full(added, g_object_unref);
    g_slist_free_full(replaced, g_object_unref);
    return ok || d->failed(gerror);
}

bool EvolutionDataServer::removeContact(const QString &uid, const QString &book)
{
    EBookClient *client = d->client(book);
    GError *gerror = nullptr;
    return client && (e_book_client_remove_contact_by_uid_sync(
                          client, uid.toUtf8(), E_BOOK_OPERATION_FLAG_NONE, nullptr, &gerror) ||
                      d->failed(gerror));
}

void EvolutionDataServer::kill()
{
    mBus.killStartedServices();
    d->forget();
}
