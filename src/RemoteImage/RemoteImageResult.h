#pragma once

#include <QImage>
#include <QNetworkReply>
#include <QString>

namespace remoteimage {

// Why an image could not be had.
enum class RemoteImageError {
    none,
    badServerResponse,        // not an HTTP response, or a status outside 200...299
    cannotDecodeContentData,  // the body is not an image we can read
    unsupportedURL,           // not http or https (also a redirect to such an address)
    tooLarge,                 // body or picture beyond the loader's limits
    timedOut,                 // no data for too long, or the whole download took too long
    network,                  // any other transport failure; see networkError
};

// The outcome of one image request: an image, or an error.
struct RemoteImageResult {
    QImage image;
    RemoteImageError error = RemoteImageError::none;
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;
    QString message;

    bool isSuccess() const { return error == RemoteImageError::none; }

    static RemoteImageResult success(const QImage& image) { return {image, RemoteImageError::none, {}, {}}; }
    static RemoteImageResult failure(RemoteImageError error, const QString& message,
                                     QNetworkReply::NetworkError networkError = QNetworkReply::NoError) {
        return {{}, error, networkError, message};
    }
};

// The error's name as written above ("badServerResponse", ...), for logs and tests.
const char* errorName(RemoteImageError error);

}  // namespace remoteimage
