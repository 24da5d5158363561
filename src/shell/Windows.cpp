#include "Startup.h"

#include "widgets/WindowRegistry.h"

#ifdef VELTO_WITH_ENTRY
#include "entry/LocateDialogs.h"
#include "entry/TF_dxkjy.h"
#include "entry/TF_fhq.h"
#include "entry/TF_gjwsb.h"
#include "entry/TF_gjxm.h"
#include "entry/TF_kfq.h"
#include "entry/TF_kfqzh.h"
#include "entry/TF_sjgxq.h"
#include "entry/TF_tsjd.h"
#include "entry/TF_tzjg.h"
#endif
#ifdef VELTO_WITH_CHECK
#include "check/TF_check.h"
#include "check/TF_check_p.h"
#endif
#ifdef VELTO_WITH_EXCHANGE
#include "exchange/TF_bhcl.h"
#include "exchange/TF_db_tool.h"
#include "exchange/TF_xtwh.h"
#endif
#ifdef VELTO_WITH_REPORTS
#include "reports/TF_report.h"
#endif
#ifdef VELTO_WITH_QUERY
#include "query/TF_bt_p.h"
#include "query/TF_query.h"
#include "query/TF_query_p.h"
#endif

// A window joins the program here, by its class name, in the block of its layer; until
// then its button tells the user that the function is not offered yet.
void registerWindows(WindowRegistry& registry)
{
#ifdef VELTO_WITH_ENTRY
    registry.add<TF_kfq>(&F_kfq);
    registry.add<TF_kfqzh>(&F_kfqzh);
    registry.add<TF_gjxm>(&F_gjxm);
    registry.add<TF_gjwsb>(&F_gjwsb);
    registry.add<TF_tzjg>(&F_tzjg);
    registry.add<TF_tsjd>(&F_tsjd);
    registry.add<TF_sjgxq>(&F_sjgxq);
    registry.add<TF_dxkjy>(&F_dxkjy);
    registry.add<TF_fhq>(&F_fhq);
    registry.add<TF_change_r>(&F_change_r);
    registry.add<TF_change_r2>(&F_change_r2);
    registry.add<TF_change_c>(&F_change_c);
#endif
#ifdef VELTO_WITH_CHECK
    registry.add<TF_check>(&F_check);
    registry.add<TF_check_p>(&F_check_p);
#endif
#ifdef VELTO_WITH_QUERY
    registry.add<TF_query>(&F_query);
    registry.add<TF_query_p>(&F_query_p);
    registry.add<TF_bt_p>(&F_bt_p);
#endif
#ifdef VELTO_WITH_EXCHANGE
    registry.add<TF_bhcl>(&F_bhcl);
    registry.add<TF_xtwh>(&F_xtwh);
    registry.add<TF_db_tool>(&F_db_tool);
#endif
#ifdef VELTO_WITH_REPORTS
    registry.add<TF_report>(&F_report);
#endif
    Q_UNUSED(registry);
}
