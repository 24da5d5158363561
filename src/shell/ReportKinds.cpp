#include "ReportKinds.h"

using namespace Qt::StringLiterals;

namespace {

QString sentMarker(const QStringList& names)
{
    QStringList terms;
    for (const QString& n : names)
        terms << u"name='"_s + n + u'\'';
    return u"delete from sendname.db where "_s + terms.join(u" or "_s);
}

} // namespace

const QList<ReportKindInfo>& reportKinds()
{
    static const QString kfqMarker
        = sentMarker({ u"kfq_1.db"_s, u"kfq_2.db"_s, u"kfq_5.db"_s, u"kfq_6.db"_s, u"kfq_r.db"_s });
    static const QList<ReportKindInfo> kinds = {
        { u"国家高新技术产业开发区企业统计报表"_s, 1, u"TF_kfq"_s, u"高新区企业"_s, u"高新区企业"_s,
            u"qa01"_s, false, u"kfq_r.db"_s, kfqMarker },
        { u"国家高新技术产业开发区综合情况报表"_s, 2, u"TF_kfqzh"_s, u"高新区综合情况"_s, QString(),
            QString(), false, u"kfqzh_r.db"_s, sentMarker({ u"kfqzh.db"_s, u"kfqzh_r.db"_s }) },
        { u"区外高新技术企业统计报表"_s, 3, u"TF_kfq"_s, u"区外企业"_s, u"区外企业"_s, u"qa01"_s, false,
            u"kfq_r.db"_s, kfqMarker },
        { u"国家级科技计划项目执行情况调查表"_s, 4, u"TF_gjxm"_s, u"国家级项目"_s, u"国家级项目"_s, u"jb00"_s,
            false, u"gjxm_r.db"_s, sentMarker({ u"gjxm.db"_s, u"gjxm_r.db"_s }) },
        { u"国家级项目未统计原因"_s, 5, u"TF_gjwsb"_s, u"国家级项目未上报原因"_s, QString(), QString(), false,
            QString(), QString() },
        { u"高新区创业投资机构情况表"_s, 6, u"TF_tzjg"_s, u"国家高新区创业投资机构情况表"_s,
            u"创业投资机构情况"_s, u"code"_s, false, u"kfqzh3_r.db"_s,
            sentMarker({ u"tzjg.db"_s, u"kfqzh3_r.db"_s }) },
        { u"国家大学科技园情况表"_s, 8, u"TF_dxkjy"_s, u"大学科技园情况"_s, u"大学科技园情况"_s, u"code"_s,
            true, u"dx_r.db"_s,
            sentMarker(
                { u"dx.db"_s, u"dx3.db"_s, u"dx2.db"_s, u"dx_r.db"_s, u"dxzfqy.db"_s, u"dxxm.db"_s }) },
        { u"科技企业孵化器情况表"_s, 9, u"TF_fhq"_s, u"科技企业孵化器情况"_s, u"科技企业孵化器情况"_s,
            u"code"_s, true, u"fhq_r.db"_s,
            sentMarker(
                { u"fhq.db"_s, u"fhq4.db"_s, u"fhq3.db"_s, u"fhq2.db"_s, u"fhq_r.db"_s, u"fhqzfqy.db"_s }) },
        { u"Velto计划特色产业基地情况表"_s, 10, u"TF_tsjd"_s, u"特色产业基地情况"_s, u"特色产业基地情况"_s,
            u"code"_s, false, u"tsjd_r.db"_s, sentMarker({ u"tsjd.db"_s, u"tsjd_r.db"_s }) },
        { u"省级高新技术产业开发区情况调查表"_s, 11, u"TF_sjgxq"_s, u"省级高新区"_s, u"省级高新区"_s,
            u"code"_s, false, u"kfqzh3_r.db"_s, sentMarker({ u"sjgxq.db"_s, u"kfqzh3_r.db"_s }) },
    };
    return kinds;
}

const ReportKindInfo* reportKindOf(int code)
{
    for (const ReportKindInfo& k : reportKinds())
        if (k.code == code) return &k;
    return nullptr;
}

int reportKindCode(int index)
{
    int code = index + 1;
    if (code >= 7) ++code;
    return code;
}

bool validationAndQueryOffered(int index)
{
    return index != 1 && index != 4;
}
