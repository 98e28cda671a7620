#include "imaging/scan/scan_status.h"

namespace tavlo::scan {

bool isNormalEnding(SANE_Status status)
{
    return status == SANE_STATUS_GOOD || status == SANE_STATUS_CANCELLED ||
           status == SANE_STATUS_NO_DOCS || status == SANE_STATUS_EOF;
}

QString statusReason(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD:
    case SANE_STATUS_CANCELLED:
    case SANE_STATUS_NO_DOCS:
    case SANE_STATUS_EOF: return QString();
    case SANE_STATUS_UNSUPPORTED: return QStringLiteral("ｽｷｬﾅがこの操作に対応していません。");
    case SANE_STATUS_DEVICE_BUSY:
        return QStringLiteral(
            "ｽｷｬﾅは他のﾌﾟﾛｸﾞﾗﾑが使用中です。しばらくしてからやり直してください。");
    case SANE_STATUS_INVAL:
        return QStringLiteral("ｽｷｬﾅが設定を受け付けませんでした。設定を見直してください。");
    case SANE_STATUS_JAMMED:
        return QStringLiteral(
            "紙詰まりが発生しました。詰まった用紙を取り除いてからやり直してください。");
    case SANE_STATUS_COVER_OPEN:
        return QStringLiteral("ｽｷｬﾅのｶﾊﾞｰが開いています。ｶﾊﾞｰを閉じてからやり直してください。");
    case SANE_STATUS_IO_ERROR:
        return QStringLiteral(
            "ｽｷｬﾅとの通信でｴﾗｰが発生しました。ｹｰﾌﾞﾙやﾈｯﾄﾜｰｸの接続を確かめてください。");
    case SANE_STATUS_NO_MEM:
        return QStringLiteral(
            "ﾒﾓﾘが不足しています。解像度を下げるか読み取り範囲を狭くしてください。");
    case SANE_STATUS_ACCESS_DENIED: return QStringLiteral("ｽｷｬﾅを使用する権限がありません。");
    }
    return QStringLiteral("ｽｷｬﾅがｴﾗｰを報告しました(ｺｰﾄﾞ %1)。").arg(int(status));
}

const char* statusName(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD: return "SANE_STATUS_GOOD";
    case SANE_STATUS_UNSUPPORTED: return "SANE_STATUS_UNSUPPORTED";
    case SANE_STATUS_CANCELLED: return "SANE_STATUS_CANCELLED";
    case SANE_STATUS_DEVICE_BUSY: return "SANE_STATUS_DEVICE_BUSY";
    case SANE_STATUS_INVAL: return "SANE_STATUS_INVAL";
    case SANE_STATUS_EOF: return "SANE_STATUS_EOF";
    case SANE_STATUS_JAMMED: return "SANE_STATUS_JAMMED";
    case SANE_STATUS_NO_DOCS: return "SANE_STATUS_NO_DOCS";
    case SANE_STATUS_COVER_OPEN: return "SANE_STATUS_COVER_OPEN";
    case SANE_STATUS_IO_ERROR: return "SANE_STATUS_IO_ERROR";
    case SANE_STATUS_NO_MEM: return "SANE_STATUS_NO_MEM";
    case SANE_STATUS_ACCESS_DENIED: return "SANE_STATUS_ACCESS_DENIED";
    }
    return "SANE_STATUS_(unknown)";
}

}  // namespace tavlo::scan
