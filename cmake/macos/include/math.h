/* math.h for the macOS plug-in builds: the double functions that libSystem supplies to them
   (see cmake/macos/libSystem.tbd; a function declared here must be exported there). */
#ifndef VIBREL_MACOS_MATH_H
#define VIBREL_MACOS_MATH_H

#ifdef __cplusplus
extern "C" {
#endif

double cos(double x);
double sin(double x);
double tan(double x);
double floor(double x);
double ceil(double x);
double round(double x);
double trunc(double x);
double fabs(double x);
double fmod(double x, double y);
double fmin(double x, double y);
double fmax(double x, double y);
double sqrt(double x);
double exp(double x);
double log(double x);
double log10(double x);
double pow(double x, double y);

#ifdef __cplusplus
}
#endif

#define HUGE_VAL __builtin_huge_val()
#define INFINITY __builtin_inff()
#define NAN __builtin_nanf("")

#endif
