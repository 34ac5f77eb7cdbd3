#include "search/modado.h"

#include "search/message_service.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"

namespace meridane {

namespace {

// One module: a connection slot and the string it is opened with.
class StatementModule {
public:
    explicit StatementModule(QString (*connectionString)()) : connectionString_(connectionString) {}

    bool open() {
        connection_ = SqlConnection(); // releases any previous connection
        // The statements read the file as the searches left it, and may change it.
        AnnounceFileChange(ConnectionString::parse(connectionString_()).dataSource);
        try {
            connection_.open(ConnectionString::parse(connectionString_()));
            return true;
        } catch (const DbError&) {
            Messages().MsgBox(kOpenFailureNotice, MsgFlags::OkOnly, kProgramTitle);
            return false;
        }
    }

    void execute(const QString& sql, const QStringList& params) {
        // The statement may change the file behind the images the in-memory search keeps.
        AnnounceFileChange(ConnectionString::parse(connectionString_()).dataSource);
        try {
            connection_.exec(sql, params);
        } catch (const DbError&) {
            // The caller goes on with its next statement.
        }
        close();
    }

    void close() {
        if (connection_.isOpen())
            connection_.close();
    }

private:
    QString (*connectionString_)();
    SqlConnection connection_;
};

StatementModule& Knowledge() {
    static StatementModule module(&KnowledgeConnectionString);
    return module;
}

StatementModule& Personal() {
    static StatementModule module(&PersonalConnectionString);
    return module;
}

} // namespace

namespace modADO {
bool OpenKnowledgeDb() {
    return Knowledge().open();
}
void ExecuteKnowledgeSql(const QString& sql, const QStringList& params) {
    Knowledge().execute(sql, params);
}
void CloseKnowledgeDb() {
    Knowledge().close();
}
} // namespace modADO

namespace modADO2 {
bool OpenPersonalDb() {
    return Personal().open();
}
void ExecutePersonalSql(const QString& sql, const QStringList& params) {
    Personal().execute(sql, params);
}
void ClosePersonalDb() {
    Personal().close();
}
} // namespace modADO2

} // namespace meridane
