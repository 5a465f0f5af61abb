#pragma once

// A file system whose disk fills up, for tests of what a full disk does to a base: it wraps the
// default SQLite file system and becomes the default for every connection opened afterwards.
// Once filled, every write that would make a file larger fails as on a full file system; writes
// inside a file's present size still succeed, as overwriting allocated blocks does.

namespace testsupport::fulldisk {

// Idempotent.
void install();
// The disk fills at the write numbered `failFrom`, counted from now (writes before it have
// room); 0 gives the disk room again.
void fillFrom(int failFrom);
// The writes counted since the last fillFrom() with a number.
int writes();

}  // namespace testsupport::fulldisk
