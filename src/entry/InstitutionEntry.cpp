#include "InstitutionEntry.h"

using namespace Qt::StringLiterals;

void declareInstitution(EntryDefinition& s)
{
    s.cover = false;
    s.toolbar = { entry::Action::Prior, entry::Action::Next, entry::Action::First, entry::Action::Last,
        entry::Action::Insert, entry::Action::Delete, entry::Action::Save, entry::Action::Cancel,
        entry::Action::Merge, entry::Action::Close };
    s.statusForm = entry::StatusForm::Full;
    s.locateDialog = u"TF_change_r"_s;
    s.locateField = u"code"_s;
    EntryPolicy& p = s.policy;
    p.mergeSuspends = EntryPolicy::Suspend::WhenCheckOn;
    p.collapseWhenEmpty = false;
    p.pageSwitchesButtons = false;
    p.readOnlyLabel = false;
    p.locateDetail = 0;
    p.bulkSuffix.clear();
}
