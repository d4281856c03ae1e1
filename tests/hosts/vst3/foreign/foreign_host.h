#pragma once
// Host objects from a host built apart from the plug-in: its own interface declarations (the
// same slots, other names) in its own shared object, once with its own type information and
// once with none. A plug-in sees objects whose dynamic type it cannot know, as in any
// third-party host. Plain C entry points, so that the two builds can live side by side.

#include <cstdint>

extern "C" {

struct ForeignHost;

// The host's objects, to be handed to a plug-in as the matching VST3 interface pointers.
struct ForeignHostObjects {
    void* application;  // IHostApplication, also the context of initialize
    void* handler;      // IComponentHandler
    void* stream;       // IBStream over a growable buffer
    void* changes;      // IParameterChanges: one queue with one point
    void* events;       // IEventList: one note-on
};

using ForeignHostCreate = ForeignHost* (*)(std::uint32_t paramId, double value);
using ForeignHostObjectsOf = ForeignHostObjects (*)(ForeignHost*);
// Calls the plug-in made on the handler's restartComponent.
using ForeignHostRestarts = int (*)(ForeignHost*);
// References the plug-in holds on any of the objects beyond the host's own.
using ForeignHostExtraRefs = int (*)(ForeignHost*);
// Puts the stream back at its start, keeping what was written.
using ForeignHostRewind = void (*)(ForeignHost*);
using ForeignHostDestroy = void (*)(ForeignHost*);

// What a host test reaches the objects through: one build's entry points.
struct ForeignHostApi {
    ForeignHostCreate create;
    ForeignHostObjectsOf objects;
    ForeignHostRestarts restarts;
    ForeignHostExtraRefs extraRefs;
    ForeignHostRewind rewind;
    ForeignHostDestroy destroy;
};

// The build with type information of its own, and the build without any.
ForeignHostApi foreignHostWithTypeInfo();
ForeignHostApi foreignHostWithoutTypeInfo();
}
