#include "setup/setup.h"

#include <algorithm>

namespace corvane {

namespace {

// A value saved since schema `since`: read when the stored body holds it, otherwise given
// the value that reproduces how the program behaved before the value was saved.
template <class T>
void TransferSince(CArchive& ar, std::uint16_t schema, std::uint16_t since, T& field, T absent) {
    if (schema >= since)
        ar.Transfer(field);
    else
        field = std::move(absent);
}

// The presence flags describe the file being read; a written file always has both parts.
void TransferPresence(CArchive& ar, std::uint16_t schema, std::uint16_t since, std::int32_t& flag) {
    if (ar.IsStoring())
        ar.WriteInt(1);
    else
        flag = schema >= since ? ar.ReadInt() : 0;
}

}  // namespace

CSetup::CSetup(const CSetup& other)
    : CSerializable(other),
      m_crosspostsOnce(other.m_crosspostsOnce),
      m_byArticleNumber(other.m_byArticleNumber),
      m_useFileDatabase(other.m_useFileDatabase),
      m_reserved(other.m_reserved),
      m_directConnection(other.m_directConnection),
      m_connectIfNotConnected(other.m_connectIfNotConnected),
      m_hangUpWhenFinished(other.m_hangUpWhenFinished),
      m_autoQueueArticles(other.m_autoQueueArticles),
      m_requiresLogin(other.m_requiresLogin),
      m_threads(other.m_threads),
      m_queueEverythingOnEngage(other.m_queueEverythingOnEngage),
      m_delayStartSeconds(other.m_delayStartSeconds),
      m_shutDownAfterSeconds(other.m_shutDownAfterSeconds),
      m_autoHangUp(other.m_autoHangUp),
      m_delayStart(other.m_delayStart),
      m_hideWhileDownloading(other.m_hideWhileDownloading),
      m_shutDownMode(other.m_shutDownMode),
      m_processArticlesBeforeGroups(other.m_processArticlesBeforeGroups),
      m_port(other.m_port),
      m_giveUpLines(other.m_giveUpLines),
      m_autoSaveMinutes(other.m_autoSaveMinutes),
      m_overwrite(other.m_overwrite),
      m_timeOutMinutes(other.m_timeOutMinutes),
      m_logDownloads(other.m_logDownloads),
      m_showThumbnails(other.m_showThumbnails),
      m_dialUpEntry(other.m_dialUpEntry),
      m_savePath(other.m_savePath),
      m_user(other.m_user),
      m_password(other.m_password),
      m_newsServer(other.m_newsServer) {
    m_groups.reserve(other.m_groups.size());
    for (const auto& group : other.m_groups)
        m_groups.push_back(std::make_unique<CSetupGroup>(*group));
    m_criteriaGroups.reserve(other.m_criteriaGroups.size());
    for (const auto& group : other.m_criteriaGroups)
        m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(*group));
}

void CSetup::Serialize(CArchive& ar) {
    const std::uint16_t schema = ar.IsStoring() ? kSchema : ar.Schema();
    ar.Transfer(m_autoQueueArticles);
    ar.Transfer(m_newsServer);
    ar.Transfer(m_user);
    ar.Transfer(m_password);
    ar.Transfer(m_requiresLogin);
    ar.Transfer(m_threads);
    ar.Transfer(m_savePath);
    SerializeOptions(ar, schema);
    ar.SerializeList(m_groups);
    if (ar.IsStoring() || schema >= 4) {
        ar.SerializeList(m_criteriaGroups);
        return;
    }
    // Held in a local so that the flat list cannot outlive the read that needs it.
    std::vector<std::unique_ptr<CCriteria>> legacy;
    ar.SerializeList(legacy);
    ConvertLegacyCriteria(std::move(legacy));
}

// The values between the login and the lists, each in the schema that first saved it. The
// absent values are those older programs behaved by, which is not always today's default:
// a setup from before dial-up support connected directly, and one from before the auto-save
// period was stored auto-saved every minute.
void CSetup::SerializeOptions(CArchive& ar, std::uint16_t schema) {
    TransferSince(ar, schema, 2, m_giveUpLines, 50);
    TransferSince(ar, schema, 2, m_overwrite, 0);
    TransferSince(ar, schema, 3, m_port, 119);
    TransferSince(ar, schema, 5, m_connectIfNotConnected, 0);
    TransferSince(ar, schema, 5, m_dialUpEntry, std::string());
    TransferSince(ar, schema, 5, m_hangUpWhenFinished, 0);
    TransferSince(ar, schema, 5, m_directConnection, 1);
    TransferSince(ar, schema, 6, m_delayStartSeconds, 0);
    TransferSince(ar, schema, 6, m_shutDownAfterSeconds, 0);
    TransferSince(ar, schema, 6, m_delayStart, 0);
    TransferSince(ar, schema, 6, m_hideWhileDownloading, 0);
    TransferSince(ar, schema, 6, m_shutDownMode, kNoShutDown);
    TransferSince(ar, schema, 6, m_processArticlesBeforeGroups, 1);
    TransferSince(ar, schema, 7, m_reserved, 0);
    TransferPresence(ar, schema, 8, m_logPresent);
    TransferSince(ar, schema, 9, m_autoSaveMinutes, 1);
    TransferPresence(ar, schema, 10, m_rangesPresent);
    TransferSince(ar, schema, 11, m_crosspostsOnce, 1);
    TransferSince(ar, schema, 12, m_byArticleNumber, 1);
    TransferSince(ar, schema, 13, m_showThumbnails, 1);
    TransferSince(ar, schema, 14, m_useFileDatabase, 1);
    TransferSince(ar, schema, 15, m_logDownloads, 1);
    TransferSince(ar, schema, 16, m_timeOutMinutes, 1);
}

CCriteriaGroup& CSetup::FindKillGroup() {
    auto it = std::ranges::find_if(m_criteriaGroups, [](const auto& group) {
        return group->m_action == CCriteriaGroup::kActionExclude &&
               group->m_logic == CCriteriaGroup::kLogicOr;
    });
    if (it != m_criteriaGroups.end()) return **it;
    m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(
        "Kill", CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicOr));
    return *m_criteriaGroups.back();
}

void CSetup::ConvertLegacyCriteria(std::vector<std::unique_ptr<CCriteria>> legacy) {
    auto group = std::make_unique<CCriteriaGroup>("Convert", CCriteriaGroup::kActionInclude,
                                                  CCriteriaGroup::kLogicAnd);
    group->m_criteria = std::move(legacy);
    m_criteriaGroups.push_back(std::move(group));
}

void RegisterSetupRecordClasses(CClassRegistry& registry) {
    registry.Register<CSetup>("CSetup", CSetup::kSchema);
    registry.Register<CSetupGroup>("CSetupGroup", CSetupGroup::kSchema);
    registry.Register<CCriteriaGroup>("CCriteriaGroup", CCriteriaGroup::kSchema);
    registry.Register<CCriteria>("CCriteria", CCriteria::kSchema);
}

}  // namespace corvane
