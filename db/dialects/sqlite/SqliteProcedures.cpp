#include "SqliteProcedures.h"

#include "SqliteTokens.h"
#include "SqliteTranslator.h"

#include "db/DbError.h"
#include "db/ForwardQuery.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

using Type = TSqlToken::Type;
using namespace SqliteTokens;

namespace {

qsizetype indexOfParameter(const QStringList &parameters, QStringView name)
{
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (parameters[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Words that start an ordinary statement; any other first word is a procedure call.
bool startsStatement(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("select"), QStringLiteral("insert"), QStringLiteral("update"),
        QStringLiteral("delete"), QStringLiteral("with"), QStringLiteral("create"),
        QStringLiteral("drop"), QStringLiteral("alter"), QStringLiteral("begin"),
        QStringLiteral("commit"), QStringLiteral("rollback"), QStringLiteral("end"),
        QStringLiteral("pragma"), QStringLiteral("attach"), QStringLiteral("detach"),
        QStringLiteral("vacuum"), QStringLiteral("replace"), QStringLiteral("explain"),
        QStringLiteral("analyze"), QStringLiteral("reindex"), QStringLiteral("savepoint"),
        QStringLiteral("release"), QStringLiteral("values")};
    return words.contains(word.toLower());
}

QString sqlError(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

} // namespace

bool SqliteProcedures::isCall(const QString &sql, const std::vector<TSqlToken> &tokens, const std::vector<int> &significant)
{
    if (significant.empty())
        return false;
    const TSqlToken &first = tokens[size_t(significant[0])];
    return (first.type == Type::Word && !startsStatement(first.text(sql).toString())) || first.type == Type::QuotedName;
}

const SqliteProcedures::Procedure &SqliteProcedures::procedure(const QString &name, QSqlDatabase &db)
{
    const QString key = name.toLower();
    auto found = m_procedures.constFind(key);
    if (found != m_procedures.constEnd())
        return *found;
    QSqlQuery query = forwardQuery(db);
    query.prepare(QStringLiteral("SELECT Parameters, Body FROM sysProcedures WHERE Name = ?"));
    query.addBindValue(name);
    if (!query.exec())
        throw DbError(sqlError(query.lastError()));
    if (!query.next())
        throw DbError(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    Procedure procedure;
    procedure.parameters = query.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString body = query.value(1).toString();
    for (const TSqlToken &t : TSqlTokenizer::tokenize(body)) {
        const QStringView text = t.text(body);
        if (t.type == Type::Word && text.startsWith(QLatin1Char('@'))) {
            const qsizetype index = indexOfParameter(procedure.parameters, text);
            procedure.pieces.push_back({text.toString(), index < 0 ? -2 : int(index)});
        } else if (t.type == Type::Symbol && text == QLatin1String(";")) {
            continue; // the stored body may end with a semicolon
        } else if (!procedure.pieces.empty() && procedure.pieces.back().parameter == -1) {
            procedure.pieces.back().text += text;
        } else {
            procedure.pieces.push_back({text.toString(), -1});
        }
    }
    return *m_procedures.insert(key, procedure);
}

Translated SqliteProcedures::translateCall(const QString &sql, const std::vector<TSqlToken> &tokens,
                                           const std::vector<int> &significant, QSqlDatabase &db)
{
    size_t s = 0;
    if (isWord(sql, tokens[size_t(significant[0])], QLatin1String("exec"))
        || isWord(sql, tokens[size_t(significant[0])], QLatin1String("execute")))
        ++s;
    if (s >= significant.size())
        throw DbError(QStringLiteral("Incorrect syntax near 'exec'."));
    const QString name = nameOf(sql, tokens[size_t(significant[s])]);
    ++s;

    // Arguments: literals separated by commas, each written as SQL and, where it can be,
    // as a placeholder and its value.
    struct Argument {
        QString literal;
        QString placeholder; // empty: written in
        QVariantList value;
    };
    std::vector<Argument> arguments;
    bool bindable = true;
    while (s < significant.size()) {
        const TSqlToken &t = tokens[size_t(significant[s])];
        Argument argument;
        if (t.type == Type::String) {
            const QString value = TSqlTokenizer::stringValue(t.text(sql));
            argument.literal = quoteLiteral(value);
            argument.placeholder = QStringLiteral("?");
            argument.value << value;
        } else if (t.type == Type::Number) {
            argument.literal = t.text(sql).toString();
            bindable = SqliteTranslator::bindNumber(argument.literal, &argument.placeholder, &argument.value) && bindable;
        } else if (isWord(sql, t, QLatin1String("null"))) {
            argument.literal = QStringLiteral("NULL");
            argument.placeholder = argument.literal;
        } else if (isSymbol(sql, t, QLatin1String("-")) && s + 1 < significant.size()
                   && tokens[size_t(significant[s + 1])].type == Type::Number) {
            ++s;
            argument.literal = QLatin1Char('-') + tokens[size_t(significant[s])].text(sql).toString();
            bindable = false;
        } else if (isSymbol(sql, t, QLatin1String(";")) && s + 1 == significant.size()) {
            break;
        } else {
            throw DbError(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text(sql)));
        }
        arguments.push_back(std::move(argument));
        ++s;
        if (s < significant.size()) {
            const TSqlToken &separator = tokens[size_t(significant[s])];
            if (isSymbol(sql, separator, QLatin1String(",")))
                ++s;
            else if (!isSymbol(sql, separator, QLatin1String(";")))
                throw DbError(QStringLiteral("Incorrect syntax near '%1'.").arg(separator.text(sql)));
        }
    }

    const Procedure &proc = procedure(name, db);
    if (qsizetype(arguments.size()) > proc.parameters.size())
        throw DbError(QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(name));
    if (qsizetype(arguments.size()) < proc.parameters.size())
        throw DbError(QStringLiteral("Procedure or function '%1' expects parameter '%2', which was not supplied.")
                          .arg(name, proc.parameters[qsizetype(arguments.size())]));

    // The body with each @parameter replaced by its argument.
    Translated out;
    for (const Procedure::Piece &piece : proc.pieces) {
        if (piece.parameter == -2)
            throw DbError(QStringLiteral("Must declare the scalar variable \"%1\".").arg(piece.text));
        if (piece.parameter < 0) {
            out.text += piece.text;
            continue;
        }
        const Argument &argument = arguments[size_t(piece.parameter)];
        if (bindable) {
            out.text += argument.placeholder;
            out.values << argument.value;
        } else {
            out.text += argument.literal;
        }
    }
    return out;
}
