#pragma once

#include <QString>

// What went wrong with a database call, in the shape the windows show it:
// a readable Description that keeps the engine's own text and SQL code, and
// the engine's numeric code (Firebird SQLCODE, e.g. -803 unique violation,
// -913 update conflict, -902 login refused) for callers that retry or branch.
struct DbError
{
    QString Description;
    int NativeError = 0;
    // The statement failed because the attachment is gone (server stopped,
    // network cut, connection ended by an administrator): nothing more will
    // work until the connection is opened again.
    bool ConnectionLost = false;
    // The statement was still running when its time limit (the connection's
    // CommandTimeout) ran out, and was cancelled.
    bool TimedOut = false;

    static DbError commandTimedOut(int seconds)
    {
        DbError error;
        error.Description =
            QStringLiteral("Истекло время ожидания выполнения запроса (%1 с): запрос прерван.").arg(seconds);
        error.TimedOut = true;
        return error;
    }

    // A call on the connection went on well past its time limit without
    // an answer from the server (link cut, server host down): the
    // connection was given up as lost.
    static DbError serverNotAnswering()
    {
        DbError error;
        error.Description = QStringLiteral("Сервер базы данных не отвечает: соединение закрыто.");
        error.NativeError = -902;
        error.ConnectionLost = true;
        return error;
    }
};
