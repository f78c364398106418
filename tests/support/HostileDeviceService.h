#pragma once

// Devices that misbehave on purpose, built on the fake device service: the
// device layer must neither hang nor crash on any of them.

#include "support/FakeDeviceService.h"

// Storage "s" (named "Store") with folders "a" and "b" listed as a/b, whose
// parent identifiers point at each other ("a" says its parent is "b").
std::shared_ptr<TFakeDevice> MakeCyclicParentDevice();

// Storage "s" with a chain of folders "n1" … "n<levels>", each the only child
// of the one before; made up while listed, so no table of that size exists.
std::shared_ptr<TFakeDevice> MakeDeepDevice(int levels);

// Storage "s" whose listing never ends: every batch brings ten new files and
// S_OK. With `emptyBatches`, every batch is empty and still S_OK.
std::shared_ptr<TFakeDevice> MakeEndlessListingDevice(bool emptyBatches = false);

// Storage "s" whose listing brings one batch of ten files ("e0" … "e9"),
// then fails with E_DEVICE_IO.
std::shared_ptr<TFakeDevice> MakeBrokenListingDevice();

// Storage "s" with folder "loop" that lists its own storage and itself as children.
std::shared_ptr<TFakeDevice> MakeSelfListingDevice();

// Storage "s" with a chain "r1" … "r<levels>" in which every folder lists its
// one child twice: without care the tree doubles with every level.
std::shared_ptr<TFakeDevice> MakeRepeatingDevice(int levels);
