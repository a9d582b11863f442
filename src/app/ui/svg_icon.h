#pragma once

#include <QIcon>
#include <QSize>
#include <QString>

#include <initializer_list>

/// An icon drawn from an SVG resource at each of @p sizes, without relying
/// on Qt's SVG icon plug-in being installed. A missing resource gives an
/// empty icon.
QIcon svgIcon(const QString& resource, std::initializer_list<QSize> sizes);
