/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Asks the compositor for an xdg-activation token and prints it, as a
 * launcher does before it starts a program: the program passes the token
 * back with its window to be let into the front. */
#include "xdg-activation-v1-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

static struct xdg_activation_v1 *activation;
static char *token;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, xdg_activation_v1_interface.name) == 0)
        activation = wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static void done(void *data, struct xdg_activation_token_v1 *object, const char *value)
{
    (void)data;
    (void)object;
    token = strdup(value);
}

static const struct xdg_activation_token_v1_listener token_listener = {done};

int main(int argc, char **argv)
{
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!activation) {
        fprintf(stderr, "the compositor offers no xdg_activation_v1\n");
        return 1;
    }
    struct xdg_activation_token_v1 *request = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(request, &token_listener, NULL);
    if (argc > 1)
        xdg_activation_token_v1_set_app_id(request, argv[1]);
    xdg_activation_token_v1_commit(request);
    while (!token && wl_display_dispatch(display) != -1) {
    }
    if (!token)
        return 1;
    puts(token);
    fflush(stdout); /* before anything at exit can end the process */
    free(token);
    xdg_activation_token_v1_destroy(request);
    xdg_activation_v1_destroy(activation);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
