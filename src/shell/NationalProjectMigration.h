#pragma once

namespace store {
class Table;
}

// Takes over a delivered national-project table (gjxm_up.*, the new structure): the live
// gjxm.* becomes the backup gjxm_bak.* (replacing an older one), the delivered files become
// gjxm.*, and the previous records are appended by column position. Runs at start-up
// through the main window's two scratch tables.
class NationalProjectMigration
{
public:
    NationalProjectMigration(store::Table& source, store::Table& target);

    // Works in the current directory. Returns false when nothing was delivered (no file is
    // touched then). A store error escapes when the backup cannot be opened (there was no
    // gjxm.db) or the append fails; the renames done by then stay.
    bool run();

private:
    store::Table& m_source;
    store::Table& m_target;
};
