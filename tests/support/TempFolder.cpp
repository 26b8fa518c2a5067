#include "support/TempFolder.h"

TempFolder::TempFolder() : m_dir(QDir::tempPath() + "/dialtoll-test-XXXXXX") {}
