#pragma once

#include <QString>

class Store;

// Opens the database for the viewer: for reading and writing, or, where the file's folder
// cannot be written (a read-only folder has no room for the files WAL needs beside it), for
// reading only. False with the store's error when neither works.
bool OpenStoreForViewing(Store& store, const QString& path);
