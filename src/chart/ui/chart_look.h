#pragma once

class QCustomPlot;

/// Gives a new QCustomPlot the trend chart's look and its two series: a
/// silver-to-white gradient behind a white back wall with a silver outline,
/// the title of two blanks, no legend, no mouse zooming or panning, bottom
/// axis 0 to 100 and value axis -11000 to 11000 (four minor ticks a step,
/// ticks 3 pixels long), then series 0 "Series2", the light-yellow area with
/// an azure outline, and series 1 "Series1", the chartreuse line, both
/// ChartEnvelopeGraphs. Call once, before the chart engine is made on the
/// plot.
void applyChartLook(QCustomPlot& plot);
